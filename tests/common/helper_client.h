#pragma once

#include "connection/password_hash.h"
#include "connection/protocol.h"
#include "platform/tcp_socket.h"

#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

// A client of a helper on 127.0.0.1 as the tests play it, every wait bounded.
namespace helper_client {

inline constexpr std::chrono::milliseconds kLimit(5000);

// Connects from source (any address of 127.0.0.0/8, so that one machine acts as many); sending
// gives up after 5 s.
inline int Open(quint16 port, const char* source = "127.0.0.1") {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in from{AF_INET, 0, {::inet_addr(source)}, {}};
    const sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    const timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline QByteArray Challenge(int fd) {
    platform::SendBytes(fd, kConnectMessage);
    return ChallengeFromReply(platform::ReceiveReply(fd, kMaxReply, kLimit));
}

// The verdict's text; empty when none came.
inline QByteArray Authorise(int fd, const QByteArray& challenge, const QString& password) {
    platform::SendBytes(fd,
                        AuthoriseMessage(AuthorisationValue(PasswordHash(password), challenge)));
    return ReplyText(platform::ReceiveReply(fd, kMaxReply, kLimit));
}

// True once the helper has closed the connection (bounded by the receive limit).
inline bool ClosedByHelper(int fd) {
    char byte;
    for (int i = 0; i < 100; ++i) {
        const QByteArray got = platform::ReceiveReply(fd, 1, kLimit);
        if (!got.isEmpty()) continue;
        // Unread bytes make the helper's close a reset rather than an orderly end.
        const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno == ECONNRESET);
    }
    return false;
}

}  // namespace helper_client
