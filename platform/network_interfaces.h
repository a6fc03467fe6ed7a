#pragma once

#include "platform/mac_address.h"

#include <QString>

#include <optional>
#include <vector>

namespace platform {

// A network interface as the helper advertises on it: up, not loopback, multicast-capable, with
// an IPv4 address and a usable hardware address.
struct CLinkInterface {
    QString name;
    MacAddress mac{};
};

// Such interfaces in the kernel's order, each once.
std::vector<CLinkInterface> AdvertisableInterfaces();

enum class WakeOnLan { Enabled, Disabled, Unsupported };

// Whether the interface's driver will wake the machine on a magic packet (ethtool's "g"), as
// the kernel's ethtool query reports it. Unsupported also when the query fails.
WakeOnLan MagicPacketWake(const QString& interface);

}  // namespace platform
