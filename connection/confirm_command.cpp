#include "connection/confirm_command.h"

#include "app/app.h"
#include "app/settings.h"
#include "connection/protocol.h"
#include "platform/message_box.h"

bool ConfirmCommand(QWidget* owner, int row) {
    if (!ConfirmCommandsSetting(g_app)) return true;
    const std::optional<QByteArray> message = CommandMessage(row);
    const int selected = g_app.m_selectedComputer;
    if (!message || selected < 0 || size_t(selected) >= g_app.m_computers.size()) return false;
    const QString text = QStringLiteral("Send %1 to %2?")
                             .arg(QString::fromLatin1(message->constData()),
                                  g_app.m_computers[size_t(selected)].m_name);
    return g_app.m_messageBoxes->AskYesNo(owner, text);
}
