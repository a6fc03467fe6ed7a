#pragma once

#include "platform/tcp_socket.h"

class QEventLoop;
class QWidget;

// The network waits of one login on the GUI thread. Each wait turns a local event loop until the
// socket is ready or its bound passes, so the window keeps painting and the attempt can be given
// up at once: by Abort(), or by the application quitting (which ends every event loop). Meanwhile
// user input reaches the password page alone, so nothing else can start while the login waits.
// While it lives it is g_app.m_loginAttempt.
class CLoginAttempt {
public:
    explicit CLoginAttempt(QWidget* page);
    ~CLoginAttempt();
    CLoginAttempt(const CLoginAttempt&) = delete;
    CLoginAttempt& operator=(const CLoginAttempt&) = delete;

    // A platform::SocketWait for the calls of this attempt.
    platform::SocketWait Waiter();
    // Ends the current wait and every later one at once.
    void Abort();
    bool Aborted() const { return m_aborted; }

private:
    bool Wait(int fd, platform::CSocketEvent event, platform::SocketClock::time_point deadline);

    QWidget* m_page;
    QEventLoop* m_loop = nullptr;
    bool m_aborted = false;
};
