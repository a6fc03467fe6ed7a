#include "platform/tcp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

using Clock = SocketClock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

bool PollWait(int fd, CSocketEvent event, Clock::time_point deadline) {
    const short events = event == CSocketEvent::Readable ? POLLIN : POLLOUT;
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, RemainingMs(deadline));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

int ConnectTcp(const std::string& address, uint16_t portNetworkOrder,
               std::chrono::milliseconds connectLimit, std::chrono::milliseconds sendLimit,
               const SocketWait& wait) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = portNetworkOrder;
    if (::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) return -1;

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    const Clock::time_point deadline = Clock::now() + connectLimit;
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (rc != 0 && errno == EINPROGRESS) {
        int error = ETIMEDOUT;
        socklen_t length = sizeof error;
        if (wait(fd, CSocketEvent::Writable, deadline))
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        rc = error == 0 ? 0 : -1;
    }
    if (rc != 0) {
        ::close(fd);
        return -1;
    }
    // Back to blocking: receives wait through poll with their own limits, sends through this.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    timeval sendTimeout{};
    sendTimeout.tv_sec = long(sendLimit.count() / 1000);
    sendTimeout.tv_usec = long(sendLimit.count() % 1000) * 1000;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    return fd;
}

bool SendBytes(int fd, const QByteArray& bytes) {
    if (fd < 0) return false;
    ssize_t sent;
    do {
        sent = ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == bytes.size();
}

QByteArray ReceiveReply(int fd, int maxBytes, std::chrono::milliseconds limit, int textStart,
                        const SocketWait& wait) {
    QByteArray reply;
    if (fd < 0) return reply;
    const Clock::time_point deadline = Clock::now() + limit;
    char buffer[1024];
    while (reply.size() < maxBytes && reply.indexOf('\0', textStart) < 0) {
        if (!wait(fd, CSocketEvent::Readable, deadline)) break;
        const size_t room = size_t(std::min<qsizetype>(maxBytes - reply.size(), sizeof buffer));
        const ssize_t n = ::recv(fd, buffer, room, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        reply.append(buffer, n);
    }
    return reply;
}

void ShutdownSocket(int fd) {
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

void CloseSocket(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace platform
