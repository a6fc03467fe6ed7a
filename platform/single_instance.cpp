#include "platform/single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace platform {

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr QByteArrayView kActivate = "activate\n";
}  // namespace

CSingleInstance::CSingleInstance(const QString& className, QObject* parent) : QObject(parent) {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::tempPath();
    m_path = dir + u'/' + className + u'-' + QString::number(getuid());
}

CSingleInstance::~CSingleInstance() = default;

bool CSingleInstance::BecomePrimary() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        QLocalSocket probe;
        probe.connectToServer(m_path);
        if (probe.waitForConnected(kConnectTimeoutMs)) {
            probe.write(kActivate.data(), kActivate.size());
            probe.waitForBytesWritten(kConnectTimeoutMs);
            probe.disconnectFromServer();
            return false;
        }
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
        if (m_server->listen(m_path)) return true;
        // Nobody answered: the socket file is left over from a copy that died.
        delete m_server;
        m_server = nullptr;
        QLocalServer::removeServer(m_path);
    }
    // The socket could not be taken: run all the same rather than refuse to start.
    return true;
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (peer->readAll().contains("activate") && m_onActivate) m_onActivate();
            peer->disconnectFromServer();
        });
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    }
}

}  // namespace platform
