#include "connection/login_attempt.h"

#include "app/app.h"
#include "ui/input_gate.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

namespace {

enum WaitEnd { kReady = 1, kTimedOut = 2, kAborted = 3 };

}  // namespace

CLoginAttempt::CLoginAttempt(QWidget* page) : m_page(page) {
    g_app.m_loginAttempt = this;
}

CLoginAttempt::~CLoginAttempt() {
    if (g_app.m_loginAttempt == this) g_app.m_loginAttempt = nullptr;
}

platform::SocketWait CLoginAttempt::Waiter() {
    return [this](int fd, platform::CSocketEvent event,
                  platform::SocketClock::time_point deadline) { return Wait(fd, event, deadline); };
}

void CLoginAttempt::Abort() {
    m_aborted = true;
    if (m_loop) m_loop->exit(kAborted);
}

bool CLoginAttempt::Wait(int fd, platform::CSocketEvent event,
                         platform::SocketClock::time_point deadline) {
    if (m_aborted) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - platform::SocketClock::now());
    QEventLoop loop;
    QSocketNotifier notifier(qintptr(fd), event == platform::CSocketEvent::Readable
                                              ? QSocketNotifier::Read
                                              : QSocketNotifier::Write);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&loop] { loop.exit(kReady); });
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    QObject::connect(&bound, &QTimer::timeout, &loop, [&loop] { loop.exit(kTimedOut); });
    bound.start(std::max(left, std::chrono::milliseconds(0)));
    const CInputGate gate(nullptr, {m_page});
    m_loop = &loop;
    const int end = loop.exec();
    m_loop = nullptr;
    if (end == kReady) return true;
    // Anything but our own two ends: Abort(), or the application is quitting.
    if (end != kTimedOut) m_aborted = true;
    return false;
}
