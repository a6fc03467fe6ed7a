#include "helper/helper_server.h"

#include "helper/helper_session.h"
#include "helper/log_limiter.h"
#include "helper/login_throttle.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <list>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A client that stops reading is dropped once this much output waits for it.
constexpr qsizetype kMaxOutput = 64 * 1024;
// While accepting fails for want of descriptors or memory, the listener rests this long.
constexpr std::chrono::seconds kAcceptPause{1};
// Lines about clients that have not proved the password: a burst, then one per interval.
constexpr int kStrangerLines = 50;
constexpr std::chrono::seconds kStrangerLineInterval{10};

struct Client {
    int fd = -1;
    int id = 0;
    uint32_t address = 0;  // network byte order
    QString host;
    std::unique_ptr<CHelperSession> session;
    QByteArray output;
    Clock::time_point accepted;
    Clock::time_point lastHeard;
    bool closing = false;
};

bool OutOfResources(int error) {
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

}  // namespace

CHelperServer::CHelperServer(Config config) : m_config(std::move(config)) {
    if (!m_config.onLog) m_config.onLog = [](const QString&) {};
    if (!m_config.onCommand) m_config.onCommand = [](const QByteArray&) {};
}

CHelperServer::~CHelperServer() {
    if (m_listener >= 0) ::close(m_listener);
    for (int fd : m_wakePipe)
        if (fd >= 0) ::close(fd);
}

bool CHelperServer::Listen() {
    if (::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_config.port);
    if (::inet_pton(AF_INET, m_config.listenAddress.c_str(), &address.sin_addr) != 1) {
        m_config.onLog(QStringLiteral("bad listen address %1")
                           .arg(QString::fromStdString(m_config.listenAddress)));
        return false;
    }
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0) {
        m_config.onLog(QStringLiteral("cannot listen on port %1: %2")
                           .arg(m_config.port)
                           .arg(QString::fromLocal8Bit(strerror(errno))));
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_config.onLog(QStringLiteral("listening on %1 port %2")
                       .arg(QString::fromStdString(m_config.listenAddress))
                       .arg(m_port));
    return true;
}

void CHelperServer::Stop() {
    const char byte = 's';
    if (m_wakePipe[1] >= 0) [[maybe_unused]]
        auto n = ::write(m_wakePipe[1], &byte, 1);
}

void CHelperServer::Run() {
    CLoginThrottle::Config throttling;
    throttling.firstDelay = m_config.refusalDelay;
    CLoginThrottle throttle(throttling);
    CLogLimiter strangerLog(kStrangerLines, kStrangerLineInterval, m_config.onLog);
    std::list<Client> clients;
    int nextId = 1;
    const auto log = [&](const Client& client, const QString& line) {
        const QString text = QStringLiteral("client %1: %2").arg(client.id).arg(line);
        if (client.session && client.session->IsAuthorised())
            m_config.onLog(text);
        else
            strangerLog.Log(text, Clock::now());
    };
    // Takes an accepted connection on, or closes it when its address already has its share of
    // connections without the password. When every slot is taken, the stranger that has waited
    // longest gives way: a real client proves the password within moments, so whoever holds
    // slots without doing so cannot shut others out.
    const auto admit = [&](int fd, const sockaddr_in& from, Clock::time_point now) {
        const uint32_t address = from.sin_addr.s_addr;
        const QString host = QString::fromLatin1(inet_ntoa(from.sin_addr));
        int open = 0;
        int strangers = 0;
        Client* longest = nullptr;
        for (Client& other : clients) {
            if (other.closing) continue;
            ++open;
            if (other.session->IsAuthorised()) continue;
            if (!longest) longest = &other;
            if (other.address == address) ++strangers;
        }
        if (strangers >= m_config.maxUnauthorisedPerAddress) {
            strangerLog.Log(QStringLiteral("too many connections without the password from %1, "
                                           "connection refused")
                                .arg(host),
                            now);
            ::close(fd);
            return;
        }
        if (open >= m_config.maxClients && !longest) {
            strangerLog.Log(
                QStringLiteral("too many clients, connection from %1 refused").arg(host), now);
            ::close(fd);
            return;
        }
        if (open >= m_config.maxClients) {
            log(*longest, QStringLiteral("every slot taken, closing for a newcomer"));
            longest->closing = true;
        }
        Client& client = clients.emplace_back();
        client.fd = fd;
        client.id = nextId++;
        client.address = address;
        client.host = host;
        client.accepted = client.lastHeard = now;
        CHelperSession::Events events;
        events.onCommand = m_config.onCommand;
        events.onLog = [&log, &client](const QString& line) { log(client, line); };
        events.answerPings = [this] { return m_answerPings.load(); };
        events.mayCheckPassword = [&throttle, &client] {
            return throttle.Wait(client.address, Clock::now()) == Clock::duration::zero();
        };
        events.onVerdict = [&throttle, &log, &client](bool accepted) {
            if (accepted) {
                throttle.Accepted(client.address);
                return;
            }
            const int refusals = throttle.Refused(client.address, Clock::now());
            log(client, QStringLiteral("authorisation failed from %1, %2 in a row")
                            .arg(client.host)
                            .arg(refusals));
        };
        client.session = std::make_unique<CHelperSession>(
            m_config.passwordHash, m_config.fixedChallenge.value_or(RandomChallenge()),
            std::move(events));
        log(client, QStringLiteral("connection from %1:%2").arg(host).arg(ntohs(from.sin_port)));
    };
    Clock::time_point acceptResumes;
    bool acceptFailing = false;

    for (;;) {
        Clock::time_point now = Clock::now();
        const bool accepting = now >= acceptResumes;
        Clock::time_point wake = now + std::chrono::seconds(1);
        if (!accepting) wake = std::min(wake, acceptResumes);
        std::vector<pollfd> fds{{m_wakePipe[0], POLLIN, 0},
                                {accepting ? m_listener : -1, POLLIN, 0}};
        for (const Client& client : clients) {
            fds.push_back({client.fd, short(POLLIN | (client.output.isEmpty() ? 0 : POLLOUT)), 0});
            if (client.session->IsAuthorised()) continue;
            wake = std::min(wake, client.accepted + m_config.authLimit);
            if (client.session->IsWaiting())
                wake = std::min(wake, now + throttle.Wait(client.address, now));
        }
        const auto timeout = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), int(std::max<long>(0, timeout)));
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) break;
        now = Clock::now();
        strangerLog.Flush(now);

        if (fds[1].revents & POLLIN) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const int fd = ::accept4(m_listener, reinterpret_cast<sockaddr*>(&from), &length,
                                     SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0 && OutOfResources(errno)) {
                // The connection stays queued, so polling on would spin: rest instead.
                if (!acceptFailing)
                    m_config.onLog(QStringLiteral("cannot accept connections: %1; trying again "
                                                  "every second")
                                       .arg(QString::fromLocal8Bit(strerror(errno))));
                acceptFailing = true;
                acceptResumes = now + kAcceptPause;
            } else if (fd >= 0) {
                if (acceptFailing) m_config.onLog(QStringLiteral("accepting connections again"));
                acceptFailing = false;
                admit(fd, from, now);
            }
        }

        size_t index = 2;
        for (Client& client : clients) {
            const short revents = index < fds.size() ? fds[index].revents : 0;
            ++index;
            if (client.closing) continue;
            if (revents & POLLIN) {
                char buffer[4096];
                const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
                if (n > 0) {
                    client.lastHeard = Clock::now();
                    client.output += client.session->Feed(QByteArray(buffer, n));
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    client.output.clear();
                    client.closing = true;
                }
            } else if (revents & (POLLHUP | POLLERR)) {
                client.output.clear();
                client.closing = true;
            }
            if (!client.closing && client.session->IsWaiting())
                client.output += client.session->Feed({});
            if (client.session->ShouldClose()) client.closing = true;
            if (!client.output.isEmpty()) {
                const ssize_t n = ::send(client.fd, client.output.constData(),
                                         size_t(client.output.size()), MSG_NOSIGNAL);
                if (n > 0) client.output.remove(0, n);
                if (n < 0 && errno != EAGAIN && errno != EINTR) {
                    client.output.clear();
                    client.closing = true;
                }
            }
            if (client.output.size() > kMaxOutput) {
                log(client, QStringLiteral("client does not read, closing"));
                client.output.clear();
                client.closing = true;
            }
            if (!client.closing && !client.session->IsAuthorised() &&
                now >= client.accepted + m_config.authLimit) {
                log(client, QStringLiteral("no authorisation in time, closing"));
                client.closing = true;
            }
            if (!client.closing && Clock::now() - client.lastHeard > m_config.idleLimit) {
                log(client, QStringLiteral("silent too long, closing"));
                client.closing = true;
            }
        }

        for (auto it = clients.begin(); it != clients.end();) {
            // A refused client has been sent its verdict above; what did not fit is dropped.
            if (it->closing) {
                ::close(it->fd);
                log(*it, QStringLiteral("connection closed"));
                it = clients.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (Client& client : clients) {
        ::close(client.fd);
        log(client, QStringLiteral("connection closed"));
    }
}
