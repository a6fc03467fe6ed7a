#pragma once

#include <QString>

#include <cstdint>
#include <string>

// One discovered computer. Copied member by member; matched by m_name.
struct CListEntry {
    QString m_name;             // display name: the target host without its domain
    uint32_t m_lastSeen = 0;    // tick count in ms of the sighting that last refreshed it
    std::string m_address;      // IPv4 address as dotted-quad text
    std::string m_hostName;     // m_name in its 8-bit form, as received
    uint16_t m_port = 0;        // TCP port in network byte order, as the resolve gave it
    bool m_rowRemovable = true; // the row may still be taken out when the computer falls silent
};
