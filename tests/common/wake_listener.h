#pragma once

#include "common/net_test.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <vector>

// A UDP socket on port 9 inside a namespace of the test's own, recording every datagram that
// arrives there with the address it was sent to.
class CWakeListener {
public:
    explicit CWakeListener(const QString& ns) {
        CNetnsEnter inside(ns);
        m_ok = inside.Ok() && m_socket.bind(QHostAddress::AnyIPv4, 9);
    }

    bool Ok() const { return m_ok; }

    // What has arrived, waiting up to limitMs for count datagrams and then briefly for more;
    // datagrams that keep coming are not waited for past the limit.
    std::vector<QNetworkDatagram> Receive(size_t count, int limitMs = 5000) {
        std::vector<QNetworkDatagram> received;
        const QDeadlineTimer deadline(limitMs);
        while (m_ok && !deadline.hasExpired() &&
               m_socket.waitForReadyRead(received.size() < count ? int(deadline.remainingTime())
                                                                 : 200))
            while (m_socket.hasPendingDatagrams()) received.push_back(m_socket.receiveDatagram());
        return received;
    }

private:
    QUdpSocket m_socket;
    bool m_ok = false;
};
