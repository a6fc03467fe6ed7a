#include "platform/single_instance.h"

#include "platform/log.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr QByteArrayView kActivate = "activate\n";

// A real folder (not a link to one) owned by this user, with no access for group or others.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat st {};
    return lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 077) == 0;
}

// The user id of the process at the other end of a connected local socket.
std::optional<uid_t> PeerUid(const QLocalSocket& socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) !=
        0)
        return std::nullopt;
    return credentials.uid;
}

bool IsOwnUser(const QLocalSocket& socket) {
    return PeerUid(socket) == getuid();
}

}  // namespace

QString CSingleInstance::PrivateFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime)) return QFile::decodeName(runtime);
    const QString own = QDir::tempPath() + QStringLiteral("/dormo-") + QString::number(getuid());
    const QByteArray path = QFile::encodeName(own);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        qCWarning(lcSettings, "cannot create %s: %s", path.constData(), std::strerror(errno));
        return {};
    }
    if (!IsPrivateFolder(path)) {
        qCWarning(lcSettings, "refusing %s: it is not a folder of this user's closed to others",
                  path.constData());
        return {};
    }
    return own;
}

CSingleInstance::CSingleInstance(const QString& className, QObject* parent) : QObject(parent) {
    const QString folder = PrivateFolder();
    if (!folder.isEmpty()) m_path = folder + u'/' + className + u'-' + QString::number(getuid());
}

CSingleInstance::~CSingleInstance() = default;

bool CSingleInstance::BecomePrimary() {
    if (m_path.isEmpty()) {
        qCWarning(lcSettings, "no private folder for the single-instance socket; starting anyway");
        return true;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        QLocalSocket probe;
        probe.connectToServer(m_path);
        if (probe.waitForConnected(kConnectTimeoutMs)) {
            if (!IsOwnUser(probe)) {
                qCWarning(lcSettings, "%s is held by another user; starting anyway",
                          qPrintable(m_path));
                return true;
            }
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
    qCWarning(lcSettings, "cannot listen on %s; starting anyway", qPrintable(m_path));
    return true;
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (!IsOwnUser(*peer)) {
            peer->disconnectFromServer();
            continue;
        }
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (peer->readAll().contains("activate") && m_onActivate) m_onActivate();
            peer->disconnectFromServer();
        });
    }
}

}  // namespace platform
