#include "platform/network_interfaces.h"

#include <ifaddrs.h>
#include <linux/ethtool.h>
#include <linux/if_packet.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace platform {

std::vector<CLinkInterface> AdvertisableInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};
    std::set<QString> withIpv4;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next)
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET)
            withIpv4.insert(QString::fromLocal8Bit(entry->ifa_name));
    std::vector<CLinkInterface> interfaces;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET) continue;
        const unsigned flags = entry->ifa_flags;
        if (!(flags & IFF_UP) || (flags & IFF_LOOPBACK) || !(flags & IFF_MULTICAST)) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        if (link->sll_halen != 6) continue;
        CLinkInterface interface;
        interface.name = QString::fromLocal8Bit(entry->ifa_name);
        std::memcpy(interface.mac.data(), link->sll_addr, 6);
        if (!IsUsableMac(interface.mac) || !withIpv4.count(interface.name)) continue;
        const bool known = std::any_of(interfaces.begin(), interfaces.end(),
                                       [&](const auto& i) { return i.name == interface.name; });
        if (!known) interfaces.push_back(interface);
    }
    freeifaddrs(list);
    return interfaces;
}

WakeOnLan MagicPacketWake(const QString& interface) {
    const QByteArray name = interface.toLocal8Bit();
    if (name.isEmpty() || name.size() >= IFNAMSIZ) return WakeOnLan::Unsupported;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return WakeOnLan::Unsupported;
    ethtool_wolinfo wol{};
    wol.cmd = ETHTOOL_GWOL;
    ifreq request{};
    std::memcpy(request.ifr_name, name.constData(), size_t(name.size()));
    request.ifr_data = reinterpret_cast<char*>(&wol);
    const bool answered = ioctl(fd, SIOCETHTOOL, &request) == 0;
    close(fd);
    if (!answered || !(wol.supported & WAKE_MAGIC)) return WakeOnLan::Unsupported;
    return (wol.wolopts & WAKE_MAGIC) ? WakeOnLan::Enabled : WakeOnLan::Disabled;
}

}  // namespace platform
