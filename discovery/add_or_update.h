#pragma once

#include "discovery/list_entry.h"
#include "platform/mac_address.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class CComputerListModel;

// A computer not reported for longer than this loses its row until it is reported again.
constexpr uint32_t kSilentAfterMs = 10000;

// Records one sighting at tick count now, on the GUI thread. A new name appends an entry; a
// known one takes the new address, port and advertised MACs. A computer without a visible row
// gets one at the end of the visible computers, linked to its entry, replacing the help row when
// that is the only row; a sleeping computer leaves the sleeping section for it.
// A computer added by address is found by its name, or else by its address and port: the
// sighting refreshes that entry (heard, advertised MACs) and its one row, the address and port
// the user gave stay, and a computer discovered under another name at that address and port gives
// up its row (it is neither listed nor shown as sleeping while the added one is listed).
void AddOrUpdateComputer(CComputerListModel& rows, std::vector<CListEntry>& entries,
                         const QString& name, const std::string& hostName,
                         const std::string& address, uint16_t port, uint32_t now,
                         const std::vector<platform::MacAddress>& advertisedMacs = {});

// Takes out the rows of computers not reported for more than kSilentAfterMs (or never in this
// run); entries stay. Remembered ones among them are listed, at the end, under the header
// "Sleeping Computers", which is shown only while such a computer is.
void RemoveSilentComputers(CComputerListModel& rows, const std::vector<CListEntry>& entries,
                           uint32_t now);

// The remembered computers have been forgotten: no entry is remembered or added by address any
// more, and the sleeping section and the rows of computers added by address go.
void ForgetSleepingComputers(CComputerListModel& rows, std::vector<CListEntry>& entries);

// Lists a computer added by address (port in network byte order) among the visible computers,
// marked with its address, where it stays whether or not discovery hears it. An entry of that
// name becomes it; rows of computers discovered at the same address and port go. Returns its
// entry.
int ListManualComputer(CComputerListModel& rows, std::vector<CListEntry>& entries,
                       const QString& name, const std::string& address, uint16_t port);
// Takes a computer added by address off the list; other entries are left alone.
void UnlistManualComputer(CComputerListModel& rows, std::vector<CListEntry>& entries, int entry);
