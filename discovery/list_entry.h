#pragma once

#include "platform/mac_address.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One discovered or remembered computer. Copied member by member; matched by m_name.
struct CListEntry {
    QString m_name;              // display name: the target host without its domain
    uint32_t m_lastSeen = 0;     // tick count in ms of the sighting that last refreshed it
    std::string m_address;       // IPv4 address as dotted-quad text
    std::string m_hostName;      // m_name in its 8-bit form, as received
    uint16_t m_port = 0;         // TCP port in network byte order, as the resolve gave it
    bool m_rowRemovable = true;  // the row may still be taken out when the computer falls silent
    bool m_heard = false;        // reported by discovery at least once in this run
    bool m_remembered = false;   // logged in to once: shown as sleeping while it is not heard
    bool m_manual = false;       // added by address: always listed, at the address it was given
    std::optional<platform::MacAddress> m_mac{};           // remembered hardware address
    std::vector<platform::MacAddress> m_advertisedMacs{};  // from the latest sighting's TXT record
};
