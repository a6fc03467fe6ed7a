#pragma once

#include "connection/protocol.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// One authorised TCP connection and its keep-alive thread. The GUI thread owns it (through
// g_app.m_connection) and alone ends it; the keep-alive thread only sends, receives and reports.
// Ending wakes the thread, joins it and only then closes the descriptor, so the thread can never
// use a descriptor number that the system has already handed to someone else.
class CConnection {
public:
    CConnection(int socket, CConnectionLimits limits);
    ~CConnection();
    CConnection(const CConnection&) = delete;
    CConnection& operator=(const CConnection&) = delete;

    int Socket() const { return m_socket; }
    bool IsRunning() const { return m_running.load(); }
    int MissedPings() const { return m_missedPings.load(); }

    // Starts pinging. onLost runs on the keep-alive thread, once, after too many missed pings;
    // it must not wait for the GUI thread (the GUI thread may be joining this thread).
    void StartKeepAlive(std::function<void()> onLost);
    // Stops the keep-alive, waits for its thread and closes the socket. Idempotent.
    void End();

private:
    void KeepAliveThread();

    const int m_socket;
    const CConnectionLimits m_limits;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_missedPings{0};
    std::function<void()> m_onLost;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_keepAliveThread;
    bool m_closed = false;
};
