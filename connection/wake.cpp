#include "connection/wake.h"

#include "app/app.h"
#include "discovery/list_entry.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "platform/wake_on_lan.h"

using namespace platform;

namespace {

const QString kCaption = QStringLiteral("Dormo");

void ShowFailure(QWidget* owner, const QString& text) {
    g_app.m_messageBoxes->Show(owner, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

QByteArray MagicPacket(const MacAddress& mac) {
    const QByteArray address(reinterpret_cast<const char*>(mac.data()), qsizetype(mac.size()));
    return QByteArray(6, char(0xFF)) + address.repeated(16);
}

void WakeComputer(QWidget* owner, const CListEntry& computer) {
    const QString& name = computer.m_name;
    if (g_app.m_messageBoxes->Show(owner, QStringLiteral("Wake %1?").arg(name), kCaption,
                                   MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!computer.m_mac) {
        ShowFailure(owner, QStringLiteral("Cannot wake %1: its network card's address is not "
                                          "known. Log in to it once while it is awake.")
                               .arg(name));
        return;
    }
    switch (SendWakePacket(MagicPacket(*computer.m_mac), computer.m_address)) {
        case WakeSendResult::Sent:
            qCInfo(lcConnection) << "wake-up for" << FormatMac(*computer.m_mac) << "sent towards"
                                 << computer.m_address.c_str();
            g_app.m_messageBoxes->Show(owner, QStringLiteral("Wake-up sent to %1.").arg(name),
                                       kCaption, MB_OK | MB_ICONINFORMATION);
            break;
        case WakeSendResult::NoInterface:
            ShowFailure(owner, QStringLiteral("Cannot wake %1: no network interface is up on "
                                              "its network.")
                                   .arg(name));
            break;
        case WakeSendResult::SendFailed:
            ShowFailure(owner,
                        QStringLiteral("Cannot wake %1: the wake-up could not be sent.").arg(name));
            break;
    }
}
