#pragma once

#include "platform/mac_address.h"

#include <optional>
#include <string>

namespace platform {

// The hardware address that the kernel's neighbour table holds for an IPv4 address (dotted
// quad), as learnt from the link; nothing when there is no complete, usable entry. Reads the
// table over netlink and sends nothing on the network.
std::optional<MacAddress> NeighbourMac(const std::string& address);

}  // namespace platform
