#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace platform {

// The value of a hexadecimal digit (either case); -1 for any other character.
int HexDigit(QChar c);

// An Ethernet hardware address, six bytes in wire order.
using MacAddress = std::array<uint8_t, 6>;

// Whether the address can name one machine: neither all zeros, nor broadcast, nor multicast.
bool IsUsableMac(const MacAddress& mac);

// Six lower-case hexadecimal pairs joined by colons: "52:54:00:12:34:56".
QString FormatMac(const MacAddress& mac);

// Reads six hexadecimal pairs joined by colons (either case). Anything else, or an address that
// is not usable, gives nothing.
std::optional<MacAddress> ParseMac(QStringView text);

}  // namespace platform
