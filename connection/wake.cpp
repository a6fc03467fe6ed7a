#include "connection/wake.h"

#include "app/app.h"
#include "discovery/list_entry.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "platform/wake_on_lan.h"

using namespace platform;

QByteArray MagicPacket(const MacAddress& mac) {
    const QByteArray address(reinterpret_cast<const char*>(mac.data()), qsizetype(mac.size()));
    return QByteArray(6, char(0xFF)) + address.repeated(16);
}

void WakeComputer(QWidget* owner, const CListEntry& computer) {
    const QString& name = computer.m_name;
    if (!g_app.m_messageBoxes->AskYesNo(owner, QStringLiteral("Wake %1?").arg(name))) return;
    if (!computer.m_mac) {
        g_app.m_messageBoxes->ShowWarning(
            owner, QStringLiteral("Cannot wake %1: its network card's address is not known. Log "
                                  "in to it once while it is awake.")
                       .arg(name));
        return;
    }
    switch (SendWakePacket(MagicPacket(*computer.m_mac), computer.m_address)) {
        case WakeSendResult::Sent:
            qCInfo(lcConnection) << "wake-up for" << FormatMac(*computer.m_mac) << "sent towards"
                                 << computer.m_address.c_str();
            g_app.m_messageBoxes->ShowInformation(owner,
                                                  QStringLiteral("Wake-up sent to %1.").arg(name));
            break;
        case WakeSendResult::NoInterface:
            g_app.m_messageBoxes->ShowWarning(
                owner, QStringLiteral("Cannot wake %1: no network interface is up on its network.")
                           .arg(name));
            break;
        case WakeSendResult::SendFailed:
            g_app.m_messageBoxes->ShowWarning(
                owner, QStringLiteral("Cannot wake %1: the wake-up could not be sent.").arg(name));
            break;
    }
}
