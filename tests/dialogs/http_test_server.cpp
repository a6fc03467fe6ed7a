#include "http_test_server.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <vector>

CHttpTestServer::CHttpTestServer(Mode mode, QByteArray body)
    : m_mode(mode), m_body(std::move(body)) {
    std::promise<quint16> started;
    auto port = started.get_future();
    m_thread = std::thread([this, &started] { Run(&started); });
    m_port = port.get();
}

CHttpTestServer::~CHttpTestServer() {
    m_stop = true;
    m_thread.join();
}

QStringList CHttpTestServer::RequestedPaths() const {
    std::lock_guard lock(m_mutex);
    return m_paths;
}

void CHttpTestServer::Run(std::promise<quint16>* started) {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    started->set_value(server.serverPort());
    std::vector<std::unique_ptr<QTcpSocket>> held;  // Silent mode keeps them open until the end
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
        if (m_mode == Mode::Silent) {
            held.push_back(std::move(socket));
            continue;
        }
        const QByteArray status = m_mode == Mode::Serve ? "200 OK" : "404 Not Found";
        const QByteArray body = m_mode == Mode::Serve ? m_body : "missing";
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: application/octet-stream\r\n" +
                      "Content-Length: " + QByteArray::number(body.size()) +
                      "\r\nConnection: close\r\n\r\n" + body);
        while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(2000)) {
        }
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState) socket->waitForDisconnected(2000);
    }
}
