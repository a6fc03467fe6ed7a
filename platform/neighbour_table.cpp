#include "platform/neighbour_table.h"

#include "platform/unique_fd.h"

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

namespace platform {

namespace {

// Entries whose hardware address is known: not still being resolved, not failed.
constexpr uint16_t kKnownStates = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT;

// The hardware address of one RTM_NEWNEIGH message when it is for target; else nothing.
std::optional<MacAddress> MatchNeighbour(const nlmsghdr* message, const in_addr& target) {
    if (message->nlmsg_type != RTM_NEWNEIGH || message->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg)))
        return std::nullopt;
    const auto* neighbour = static_cast<const ndmsg*>(NLMSG_DATA(message));
    if (neighbour->ndm_family != AF_INET || !(neighbour->ndm_state & kKnownStates))
        return std::nullopt;
    bool sameAddress = false;
    std::optional<MacAddress> mac;
    int length = int(message->nlmsg_len - NLMSG_LENGTH(sizeof(ndmsg)));
    for (auto* attribute = reinterpret_cast<const rtattr*>(
             reinterpret_cast<const char*>(neighbour) + NLMSG_ALIGN(sizeof(ndmsg)));
         RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length)) {
        const size_t size = RTA_PAYLOAD(attribute);
        if (attribute->rta_type == NDA_DST && size == sizeof(in_addr)) {
            sameAddress = std::memcmp(RTA_DATA(attribute), &target, sizeof target) == 0;
        } else if (attribute->rta_type == NDA_LLADDR && size == 6) {
            MacAddress found;
            std::memcpy(found.data(), RTA_DATA(attribute), found.size());
            mac = found;
        }
    }
    if (!sameAddress || !mac || !IsUsableMac(*mac)) return std::nullopt;
    return mac;
}

}  // namespace

std::optional<MacAddress> NeighbourMac(const std::string& address) {
    in_addr target{};
    if (inet_pton(AF_INET, address.c_str(), &target) != 1) return std::nullopt;
    const CUniqueFd netlink(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (netlink.Fd() < 0) return std::nullopt;
    const timeval limit{2, 0};
    setsockopt(netlink.Fd(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);

    struct {
        nlmsghdr header;
        ndmsg body;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.body.ndm_family = AF_INET;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (sendto(netlink.Fd(), &request, request.header.nlmsg_len, 0,
               reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) < 0)
        return std::nullopt;

    // The whole dump is read, so the answer is the table's, whatever order it comes in.
    std::optional<MacAddress> result;
    alignas(nlmsghdr) char buffer[16384];
    for (;;) {
        const ssize_t received = recv(netlink.Fd(), buffer, sizeof buffer, 0);
        if (received <= 0) return std::nullopt;
        int length = int(received);
        for (auto* message = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(message, length);
             message = NLMSG_NEXT(message, length)) {
            if (message->nlmsg_type == NLMSG_DONE) return result;
            if (message->nlmsg_type == NLMSG_ERROR) return std::nullopt;
            if (const auto mac = MatchNeighbour(message, target); mac && !result) result = mac;
        }
    }
}

}  // namespace platform
