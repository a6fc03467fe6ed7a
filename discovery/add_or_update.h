#pragma once

#include "discovery/list_entry.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class CComputerListModel;

// A computer not reported for longer than this loses its row until it is reported again.
constexpr uint32_t kSilentAfterMs = 10000;

// Records one sighting at tick count now, on the GUI thread. A new name appends an entry; a
// known one takes the new address and port. A computer without a row gets one at the end,
// linked to its entry, replacing the help row when that is the only row.
void AddOrUpdateComputer(CComputerListModel& rows, std::vector<CListEntry>& entries,
                         const QString& name, const std::string& hostName,
                         const std::string& address, uint16_t port, uint32_t now);

// Takes out the rows of computers not reported for more than kSilentAfterMs; entries stay.
void RemoveSilentComputers(CComputerListModel& rows, const std::vector<CListEntry>& entries,
                           uint32_t now);
