#include "connection/connect_and_authorise.h"

#include "app/app.h"
#include "connection/connection.h"
#include "connection/confirm_command.h"
#include "connection/connection_screens.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "discovery/remember.h"
#include "platform/cursor.h"
#include "platform/message_box.h"
#include "platform/tcp_socket.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcConnection)

namespace {

const QString kCaption = QStringLiteral("Dormo");

void ShowFailure(QWidget* owner, const QString& text) {
    g_app.m_messageBoxes->Show(owner, text, kCaption,
                               platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

// Hands the loss from the keep-alive thread to the GUI thread without waiting there, and drops
// it when that connection has ended in the meantime.
std::function<void()> LossReporter(const std::shared_ptr<CConnection>& connection,
                                   CCommandScreenRunner* commandScreen) {
    std::weak_ptr<CConnection> weak = connection;
    return [weak, commandScreen] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak, commandScreen] {
                const std::shared_ptr<CConnection> lost = weak.lock();
                if (!lost || lost != g_app.m_connection || !lost->IsRunning()) return;
                commandScreen->OnComputerLost();
            },
            Qt::QueuedConnection);
    };
}

}  // namespace

void ConnectAndAuthorise(CPasswordPage& page, const QString& hash,
                         CCommandScreenRunner& commandScreen, const CConnectionLimits& limits) {
    if (g_app.m_selectedComputer < 0 ||
        size_t(g_app.m_selectedComputer) >= g_app.m_computers.size())
        return;
    const CListEntry entry = g_app.m_computers[size_t(g_app.m_selectedComputer)];
    CloseConnection();
    platform::SetWaitCursor(true);

    const int socket =
        platform::ConnectTcp(entry.m_address, entry.m_port, limits.connect, limits.send);
    if (socket < 0) {
        qCInfo(lcConnection) << "connect to" << entry.m_address.c_str() << "failed";
        ShowFailure(page.Widget(), QStringLiteral("Could not establish connection."));
        platform::SetWaitCursor(false);
        page.End();
        return;
    }
    auto connection = std::make_shared<CConnection>(socket, limits);
    qCInfo(lcConnection) << "connected to" << entry.m_address.c_str();

    platform::SendBytes(socket, kConnectMessage);
    const QByteArray challengeReply = platform::ReceiveReply(socket, kMaxReply, limits.reply);
    // Without a reply the challenge of the previous connection stays in use.
    if (!challengeReply.isEmpty()) g_app.m_challenge = ChallengeFromReply(challengeReply);
    qCInfo(lcConnection) << "challenge of" << g_app.m_challenge.size() << "bytes";

    platform::SendBytes(socket, AuthoriseMessage(AuthorisationValue(hash, g_app.m_challenge)));
    const QByteArray verdict = platform::ReceiveReply(socket, kMaxReply, limits.reply);
    if (verdict.isEmpty()) {
        qCInfo(lcConnection) << "no answer to the authorisation";
        platform::SetWaitCursor(false);
        connection->End();
        return;
    }
    platform::SetWaitCursor(false);
    if (ReplyText(verdict) != kAuthorisedReply) {
        qCInfo(lcConnection) << "password refused";
        ShowFailure(page.Widget(), QStringLiteral("Incorrect password."));
        connection->End();
        page.ClearEdit();
        if (g_app.m_savePasswords) DeleteSavedHash(entry.m_name);
        return;
    }

    qCInfo(lcConnection) << "authorised";
    if (g_app.m_savePasswords) WriteSavedHash(entry.m_name, hash);
    RememberComputer(g_app, g_app.m_selectedComputer);
    g_app.m_connection = connection;
    connection->StartKeepAlive(LossReporter(connection, &commandScreen));
    commandScreen.RunCommandScreen();
    CloseConnection();
    page.End();
}

void SendCommand(QWidget* commandScreen, int row) {
    const std::optional<QByteArray> message = CommandMessage(row);
    if (!message || !g_app.m_connection) return;
    if (!ConfirmCommand(commandScreen, row)) return;
    if (!platform::SendBytes(g_app.m_connection->Socket(), *message)) {
        qCInfo(lcConnection) << "command" << row << "not sent";
        return;
    }
    qCInfo(lcConnection) << "command" << message->constData() << "sent";
    g_app.m_messageBoxes->Show(commandScreen, CommandConfirmation(row), kCaption,
                               platform::MB_OK | platform::MB_ICONINFORMATION);
}

void CloseConnection() {
    const std::shared_ptr<CConnection> connection = std::move(g_app.m_connection);
    g_app.m_connection.reset();
    if (connection) connection->End();
}

bool IsConnected() {
    return g_app.m_connection && g_app.m_connection->IsRunning();
}
