#include "connection/connection.h"

#include "platform/log.h"
#include "platform/tcp_socket.h"

CConnection::CConnection(int socket, CConnectionLimits limits)
    : m_socket(socket), m_limits(limits) {}

CConnection::~CConnection() {
    End();
}

void CConnection::StartKeepAlive(std::function<void()> onLost) {
    m_onLost = std::move(onLost);
    m_missedPings = 0;
    m_running = true;
    m_keepAliveThread = std::thread(&CConnection::KeepAliveThread, this);
}

void CConnection::End() {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) return;
        m_closed = true;
        m_running = false;
    }
    m_wake.notify_all();
    platform::ShutdownSocket(m_socket);
    if (m_keepAliveThread.joinable()) m_keepAliveThread.join();
    platform::CloseSocket(m_socket);
    qCInfo(lcConnection) << "connection closed";
}

void CConnection::KeepAliveThread() {
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, m_limits.pingInterval, [this] { return !m_running.load(); });
            if (!m_running) return;
        }
        platform::SendBytes(m_socket, kPingMessage);
        const QByteArray reply = platform::ReceiveReply(m_socket, kMaxReply, m_limits.pong);
        if (!m_running) return;
        if (!reply.isEmpty() && ReplyText(reply) == kPongReply)
            m_missedPings = 1;
        else
            ++m_missedPings;
        qCDebug(lcConnection) << "ping, missed" << m_missedPings.load();
        if (m_missedPings > 5) {
            qCInfo(lcConnection) << "computer lost";
            m_onLost();
            return;
        }
    }
}
