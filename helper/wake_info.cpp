#include "helper/wake_info.h"

using namespace platform;

const char kWakeOnLanHint[] =
    "Wake-on-LAN: the helper advertises the MAC address of each interface it advertises on\n"
    "(TXT key \"mac\"), so that Dormo can wake this computer from sleep or power-off, and logs\n"
    "at start whether each interface has Wake-on-LAN on. To turn it on: \"ethtool -s <interface>\n"
    "wol g\" (until the next boot); with NetworkManager, \"nmcli connection modify <connection>\n"
    "802-3-ethernet.wake-on-lan magic\"; and allow waking by the network card in the\n"
    "computer's firmware (BIOS/UEFI) settings.";

std::vector<CLinkInterface> AdvertisedInterfaces(const QStringList& names) {
    std::vector<CLinkInterface> interfaces = AdvertisableInterfaces();
    if (names.isEmpty()) return interfaces;
    std::erase_if(interfaces, [&](const CLinkInterface& i) { return !names.contains(i.name); });
    return interfaces;
}

QByteArray MacTxt(const std::vector<CLinkInterface>& interfaces) {
    QByteArray macs;
    for (const CLinkInterface& interface : interfaces) {
        const QByteArray mac = FormatMac(interface.mac).toLatin1();
        if (macs.contains(mac)) continue;
        const QByteArray joined = macs.isEmpty() ? mac : macs + ',' + mac;
        if (joined.size() + 4 > 255) break;
        macs = joined;
    }
    return macs.isEmpty() ? QByteArray() : "mac=" + macs;
}

void LogWakeOnLan(const std::vector<CLinkInterface>& interfaces,
                  const std::function<void(const QString&)>& log) {
    for (const CLinkInterface& interface : interfaces) {
        const QString name = interface.name;
        switch (MagicPacketWake(name)) {
            case WakeOnLan::Enabled: log(QStringLiteral("%1: Wake-on-LAN is on").arg(name)); break;
            case WakeOnLan::Disabled:
                log(QStringLiteral(
                        "%1: Wake-on-LAN is off; turn it on with \"ethtool -s %1 wol g\" "
                        "(see --help)")
                        .arg(name));
                break;
            case WakeOnLan::Unsupported:
                log(QStringLiteral("%1: Wake-on-LAN is not supported by this interface").arg(name));
                break;
        }
    }
}
