#pragma once

#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A small HTTP server on 127.0.0.1 in a thread of its own, so that a blocking download on the
// test's thread can reach it. It answers every GET with status and body; with no status it reads
// the request and never answers.
class CHttpTestServer {
public:
    explicit CHttpTestServer(QByteArray status, QByteArray body = {})
        : m_status(std::move(status)), m_body(std::move(body)) {
        std::promise<quint16> started;
        auto port = started.get_future();
        m_thread = std::thread([this, &started] { Run(&started); });
        m_port = port.get();
    }
    ~CHttpTestServer() {
        m_stop = true;
        m_thread.join();
    }

    QString BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QStringList RequestedPaths() const {
        std::lock_guard lock(m_mutex);
        return m_paths;
    }

private:
    void Run(std::promise<quint16>* started) {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        started->set_value(server.serverPort());
        std::vector<std::unique_ptr<QTcpSocket>> held;  // unanswered ones stay open to the end
        while (!m_stop) {
            if (!server.waitForNewConnection(20)) continue;
            std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
            QByteArray request;
            while (!request.contains("\r\n\r\n") && socket->waitForReadyRead(2000))
                request += socket->readAll();
            {
                std::lock_guard lock(m_mutex);
                m_paths.append(QString::fromLatin1(request.split(' ').value(1)));
            }
            if (m_status.isEmpty()) {
                held.push_back(std::move(socket));
                continue;
            }
            socket->write("HTTP/1.1 " + m_status +
                          "\r\nContent-Length: " + QByteArray::number(m_body.size()) +
                          "\r\nConnection: close\r\n\r\n" + m_body);
            while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(2000)) {
            }
            socket->disconnectFromHost();
            if (socket->state() != QAbstractSocket::UnconnectedState)
                socket->waitForDisconnected(2000);
        }
    }

    const QByteArray m_status;
    const QByteArray m_body;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QStringList m_paths;
    std::thread m_thread;
};
