#include "connection/connect_and_authorise.h"

#include "app/app.h"
#include "connection/connection.h"
#include "connection/confirm_command.h"
#include "connection/connection_screens.h"
#include "connection/login.h"
#include "connection/login_attempt.h"
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
    const CLoginResult login = LogIn(entry.m_address, entry.m_port, hash, g_app.m_challenge, limits,
                                     attempt->Waiter(), [&] { return attempt->Aborted(); });
    const bool givenUp = attempt->Aborted();
    attempt.reset();
    if (givenUp) {
        // Cancel, a closed window or AbortLogin(): the attempt ends quietly, and the page with it.
        platform::SetWaitCursor(false);
        page.End();
        return;
    }
    if (login.outcome == LoginOutcome::CannotConnect || login.outcome == LoginOutcome::NoAnswer) {
        // No answer to the authorisation is told as any other failed connection.
        g_app.m_messageBoxes->ShowWarning(page.Widget(),
                                          QStringLiteral("Could not establish connection."));
        platform::SetWaitCursor(false);
        page.End();
        return;
    }
    auto connection = std::make_shared<CConnection>(login.socket, limits);
    platform::SetWaitCursor(false);
    if (login.outcome == LoginOutcome::Refused) {
        g_app.m_messageBoxes->ShowWarning(page.Widget(), QStringLiteral("Incorrect password."));
        connection->End();
        page.ClearEdit();
        if (g_app.m_savePasswords) DeleteSavedHash(entry.m_name);
        return;
    }

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
