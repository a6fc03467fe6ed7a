#pragma once

#include "common/net_test.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

// A UDP socket on port 9 inside a namespace of the test's own, recording every datagram that
// arrives there with the address it was sent to.
class CWakeListener {
public:
    struct Datagram {
        QByteArray bytes;
        QString to;
    };

    explicit CWakeListener(const QString& ns) {
        CNetnsEnter inside(ns);
        const int on = 1;
        sockaddr_in any{AF_INET, htons(9), {}, {}};
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        m_ok = inside.Ok() && setsockopt(m_fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0 &&
               bind(m_fd, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
    }
    ~CWakeListener() { close(m_fd); }
    CWakeListener(const CWakeListener&) = delete;
    CWakeListener& operator=(const CWakeListener&) = delete;

    bool Ok() const { return m_ok; }

    // What has arrived, waiting up to limitMs for count datagrams and then briefly for more.
    std::vector<Datagram> Receive(size_t count, int limitMs = 5000) {
        std::vector<Datagram> received;
        const QDeadlineTimer deadline(limitMs);
        for (;;) {
            const int wait = received.size() < count ? int(deadline.remainingTime()) : 200;
            pollfd ready{m_fd, POLLIN, 0};
            char buffer[2048];
            alignas(cmsghdr) char control[256];
            iovec data{buffer, sizeof buffer};
            msghdr message{nullptr, 0, &data, 1, control, sizeof control, 0};
            if (!m_ok || wait <= 0 || poll(&ready, 1, wait) <= 0) break;
            const ssize_t size = recvmsg(m_fd, &message, 0);
            if (size < 0) break;
            in_pktinfo info{};
            for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c))
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO)
                    std::memcpy(&info, CMSG_DATA(c), sizeof info);
            received.push_back(
                {QByteArray(buffer, size), QString::fromLatin1(inet_ntoa(info.ipi_addr))});
        }
        return received;
    }

private:
    int m_fd = -1;
    bool m_ok = false;
};
