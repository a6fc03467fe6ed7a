#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// How often the browse is restarted, so that every known computer is reported again.
constexpr std::chrono::milliseconds kRestartInterval{3000};

// Runs a restart cycle every interval until stopped; the destructor stops it.
class CBrowseRestartThread {
public:
    explicit CBrowseRestartThread(std::function<void()> cycle,
                                  std::chrono::milliseconds interval = kRestartInterval);
    ~CBrowseRestartThread();
    CBrowseRestartThread(const CBrowseRestartThread&) = delete;
    CBrowseRestartThread& operator=(const CBrowseRestartThread&) = delete;

    // Wakes the thread and waits for it to end; a cycle under way is finished first.
    void Stop();

private:
    void BrowseRestartThread();

    std::function<void()> m_cycle;
    std::chrono::milliseconds m_interval;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

// g_app's restart thread over RestartBrowse, started once the main window shows.
void StartBrowseRestartThread(std::chrono::milliseconds interval = kRestartInterval);
void StopBrowseRestartThread();
