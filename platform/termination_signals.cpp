#include "platform/termination_signals.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe, read by the handler; -1 while no instance watches.
std::atomic<int> g_writeEnd{-1};
struct sigaction g_previous[kSignals.size()];

void OnSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    const int fd = g_writeEnd.load();
    if (fd >= 0) (void)!::write(fd, &byte, 1);
    errno = saved;
}

}  // namespace

CTerminationSignals::CTerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    if (g_writeEnd.load() >= 0 || ::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_writeEnd.store(m_pipe[1]);
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CTerminationSignals::OnReadable);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &g_previous[i]);
}

CTerminationSignals::~CTerminationSignals() {
    if (!m_notifier) return;
    for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    g_writeEnd.store(-1);
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void CTerminationSignals::OnReadable() {
    unsigned char bytes[16];
    const ssize_t count = ::read(m_pipe[0], bytes, sizeof bytes);
    // Signals that came together are one request.
    if (count > 0 && m_onSignal) m_onSignal(bytes[0]);
}

}  // namespace platform
