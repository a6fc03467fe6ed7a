#pragma once

#include "platform/mac_address.h"

#include <QByteArray>

struct CListEntry;
class QWidget;

// The magic packet that wakes the machine with this hardware address: six bytes 0xFF, then the
// address sixteen times (102 bytes).
QByteArray MagicPacket(const platform::MacAddress& mac);

// Tapping a sleeping computer: asks "Wake <name>?" and on Yes sends the magic packet to its
// remembered MAC through the interface it was last reached on, then confirms; a missing MAC or
// no interface leading to it is told in a box instead and nothing is sent. Boxes are owned by
// owner.
void WakeComputer(QWidget* owner, const CListEntry& computer);
