#include "connection/connect_and_authorise.h"

#include "app/app.h"
#include "connection/connection.h"
#include "connection/confirm_command.h"
#include "connection/connection_screens.h"
#include "connection/login_attempt.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "discovery/remember.h"
#include "platform/cursor.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "platform/tcp_socket.h"

#include <QCoreApplication>

#include <memory>

namespace {

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
    if (g_app.m_loginAttempt) return;
    if (g_app.m_selectedComputer < 0 ||
        size_t(g_app.m_selectedComputer) >= g_app.m_computers.size())
        return;
    const CListEntry entry = g_app.m_computers[size_t(g_app.m_selectedComputer)];
    CloseConnection();
    platform::SetWaitCursor(true);

    auto attempt = std::make_unique<CLoginAttempt>(page.Widget());
    const platform::SocketWait wait = attempt->Waiter();
    // Cancel, a closed window or AbortLogin(): the attempt ends quietly, and the page with it.
    const auto givenUp = [&](int socket) {
        if (!attempt->Aborted()) return false;
        qCInfo(lcConnection) << "login given up";
        platform::CloseSocket(socket);
        attempt.reset();
        platform::SetWaitCursor(false);
        page.End();
        return true;
    };
    const auto cannotConnect = [&](int socket) {
        platform::CloseSocket(socket);
        attempt.reset();
        g_app.m_messageBoxes->ShowWarning(page.Widget(),
                                          QStringLiteral("Could not establish connection."));
        platform::SetWaitCursor(false);
        page.End();
    };

    const int socket =
        platform::ConnectTcp(entry.m_address, entry.m_port, limits.connect, limits.send, wait);
    if (givenUp(socket)) return;
    if (socket < 0) {
        qCInfo(lcConnection) << "connect to" << entry.m_address.c_str() << "failed";
        cannotConnect(socket);
        return;
    }
    qCInfo(lcConnection) << "connected to" << entry.m_address.c_str();

    platform::SendBytes(socket, kConnectMessage);
    const QByteArray challengeReply =
        platform::ReceiveReply(socket, kMaxReply, limits.reply, kChallengeOffset, wait);
    if (givenUp(socket)) return;
    // Without a reply the challenge of the previous connection stays in use.
    if (!challengeReply.isEmpty()) g_app.m_challenge = ChallengeFromReply(challengeReply);
    qCInfo(lcConnection) << "challenge of" << g_app.m_challenge.size() << "bytes";

    platform::SendBytes(socket, AuthoriseMessage(AuthorisationValue(hash, g_app.m_challenge)));
    const QByteArray verdict = platform::ReceiveReply(socket, kMaxReply, limits.reply, 0, wait);
    if (givenUp(socket)) return;
    attempt.reset();
    if (verdict.isEmpty()) {
        // Closed or silent at the authorisation (a computer with no room for another client, or
        // one that stopped answering): the user hears of it as of any other failed connection.
        qCInfo(lcConnection) << "no answer to the authorisation";
        cannotConnect(socket);
        return;
    }
    auto connection = std::make_shared<CConnection>(socket, limits);
    platform::SetWaitCursor(false);
    if (ReplyText(verdict) != kAuthorisedReply) {
        qCInfo(lcConnection) << "password refused";
        g_app.m_messageBoxes->ShowWarning(page.Widget(), QStringLiteral("Incorrect password."));
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

bool AbortLogin() {
    if (!g_app.m_loginAttempt) return false;
    g_app.m_loginAttempt->Abort();
    return true;
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
    g_app.m_messageBoxes->ShowInformation(commandScreen, CommandConfirmation(row));
}

void CloseConnection() {
    const std::shared_ptr<CConnection> connection = std::move(g_app.m_connection);
    g_app.m_connection.reset();
    if (connection) connection->End();
}

bool IsConnected() {
    return g_app.m_connection && g_app.m_connection->IsRunning();
}
