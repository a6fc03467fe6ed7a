#include "helper/helper_server.h"

#include "helper/helper_session.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <list>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A client that stops reading is dropped once this much output waits for it.
constexpr qsizetype kMaxOutput = 64 * 1024;

struct Client {
    int fd = -1;
    int id = 0;
    QString peer;
    std::unique_ptr<CHelperSession> session;
    QByteArray output;
    Clock::time_point lastHeard;
    bool closing = false;
};

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
    std::list<Client> clients;
    int nextId = 1;
    const auto log = [this](const Client& client, const QString& line) {
        m_config.onLog(QStringLiteral("client %1: %2").arg(client.id).arg(line));
    };

    for (;;) {
        std::vector<pollfd> fds{{m_wakePipe[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const Client& client : clients)
            fds.push_back({client.fd, short(POLLIN | (client.output.isEmpty() ? 0 : POLLOUT)), 0});
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), 1000);
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) break;

        if (fds[1].revents & POLLIN) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const int fd = ::accept4(m_listener, reinterpret_cast<sockaddr*>(&from), &length,
                                     SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0 && int(clients.size()) >= m_config.maxClients) {
                m_config.onLog(QStringLiteral("too many clients, connection refused"));
                ::close(fd);
            } else if (fd >= 0) {
                Client& client = clients.emplace_back();
                client.fd = fd;
                client.id = nextId++;
                client.peer = QStringLiteral("%1:%2")
                                  .arg(QString::fromLatin1(inet_ntoa(from.sin_addr)))
                                  .arg(ntohs(from.sin_port));
                client.lastHeard = Clock::now();
                CHelperSession::Events events;
                events.onCommand = m_config.onCommand;
                events.onLog = [id = client.id, this](const QString& line) {
                    m_config.onLog(QStringLiteral("client %1: %2").arg(id).arg(line));
                };
                events.answerPings = [this] { return m_answerPings.load(); };
                client.session = std::make_unique<CHelperSession>(
                    m_config.passwordHash, m_config.fixedChallenge.value_or(RandomChallenge()),
                    std::move(events));
                log(client, QStringLiteral("connection from %1").arg(client.peer));
            }
        }

        size_t index = 2;
        for (Client& client : clients) {
            const short revents = index < fds.size() ? fds[index].revents : 0;
            ++index;
            if (revents & POLLIN) {
                char buffer[4096];
                const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
                if (n > 0) {
                    client.lastHeard = Clock::now();
                    client.output += client.session->Feed(QByteArray(buffer, n));
                    if (client.session->ShouldClose()) client.closing = true;
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    client.output.clear();
                    client.closing = true;
                }
            } else if (revents & (POLLHUP | POLLERR)) {
                client.output.clear();
                client.closing = true;
            }
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
