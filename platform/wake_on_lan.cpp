#include "platform/wake_on_lan.h"

#include "platform/unique_fd.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <optional>
#include <vector>

namespace platform {

namespace {

CUniqueFd UdpSocket() {
    return CUniqueFd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
}

struct CWakeInterface {
    unsigned index = 0;
    in_addr local{};
    std::optional<in_addr> broadcast;  // directed broadcast, when the subnet has one
};

sockaddr_in Endpoint(in_addr address) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(kWakePort);
    endpoint.sin_addr = address;
    return endpoint;
}

// The local address the kernel would send from to reach target: a connected UDP socket takes
// its route without sending anything.
std::optional<in_addr> SourceFor(in_addr target) {
    const CUniqueFd probe = UdpSocket();
    if (probe.Fd() < 0) return std::nullopt;
    const sockaddr_in endpoint = Endpoint(target);
    if (connect(probe.Fd(), reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) != 0)
        return std::nullopt;
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (getsockname(probe.Fd(), reinterpret_cast<sockaddr*>(&local), &size) != 0 ||
        local.sin_addr.s_addr == htonl(INADDR_ANY))
        return std::nullopt;
    return local.sin_addr;
}

// The up, running, non-loopback interface that holds the local address.
std::optional<CWakeInterface> InterfaceWith(in_addr local) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::optional<CWakeInterface> found;
    for (const ifaddrs* entry = list; entry && !found; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (address->sin_addr.s_addr != local.s_addr) continue;
        const unsigned flags = entry->ifa_flags;
        if (!(flags & IFF_UP) || !(flags & IFF_RUNNING) || (flags & IFF_LOOPBACK)) continue;
        CWakeInterface wake;
        wake.index = if_nametoindex(entry->ifa_name);
        wake.local = local;
        if (flags & IFF_BROADCAST) {
            in_addr broadcast{};
            if (entry->ifa_broadaddr)
                broadcast = reinterpret_cast<const sockaddr_in*>(entry->ifa_broadaddr)->sin_addr;
            // An address configured without one (getifaddrs then gives the address itself) still
            // has its subnet's broadcast address.
            const uint32_t mask =
                entry->ifa_netmask
                    ? ntohl(
                          reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr)
                    : 0xFFFFFFFFu;
            const bool given =
                broadcast.s_addr != htonl(INADDR_ANY) && broadcast.s_addr != local.s_addr;
            if (!given && mask < 0xFFFFFFFEu) broadcast.s_addr = htonl(ntohl(local.s_addr) | ~mask);
            if (broadcast.s_addr != local.s_addr && broadcast.s_addr != htonl(INADDR_ANY))
                wake.broadcast = broadcast;
        }
        if (wake.index != 0) found = wake;
    }
    freeifaddrs(list);
    return found;
}

// One datagram leaving through the given interface, whatever the routing table says about its
// destination (255.255.255.255 would otherwise take the default route's interface).
bool SendThrough(int fd, const CWakeInterface& interface, in_addr to, const QByteArray& packet) {
    sockaddr_in endpoint = Endpoint(to);
    iovec data{const_cast<char*>(packet.constData()), size_t(packet.size())};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &endpoint;
    message.msg_namelen = sizeof endpoint;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = int(interface.index);
    info.ipi_spec_dst = interface.local;
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    return sendmsg(fd, &message, MSG_NOSIGNAL) == packet.size();
}

}  // namespace

WakeSendResult SendWakePacket(const QByteArray& packet, const std::string& address) {
    in_addr target{};
    if (inet_pton(AF_INET, address.c_str(), &target) != 1) return WakeSendResult::NoInterface;
    const std::optional<in_addr> local = SourceFor(target);
    const std::optional<CWakeInterface> interface = local ? InterfaceWith(*local) : std::nullopt;
    if (!interface) return WakeSendResult::NoInterface;

    const CUniqueFd sender = UdpSocket();
    const int on = 1;
    if (sender.Fd() < 0 || setsockopt(sender.Fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        return WakeSendResult::SendFailed;
    std::vector<in_addr> targets;
    if (interface->broadcast) targets.push_back(*interface->broadcast);
    targets.push_back(in_addr{htonl(INADDR_BROADCAST)});
    targets.push_back(target);
    bool sent = false;
    for (const in_addr& to : targets)
        sent = SendThrough(sender.Fd(), *interface, to, packet) || sent;
    return sent ? WakeSendResult::Sent : WakeSendResult::SendFailed;
}

}  // namespace platform
