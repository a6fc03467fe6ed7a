#include "discovery/add_or_update.h"

#include "connection/protocol.h"
#include "discovery/computer_list_model.h"

#include <arpa/inet.h>

namespace {

int FindEntry(const std::vector<CListEntry>& entries, const QString& name) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].m_name == name) return int(i);
    return -1;
}

int AddEntry(std::vector<CListEntry>& entries, const QString& name, const std::string& hostName) {
    CListEntry added;
    added.m_name = name;
    added.m_hostName = hostName;
    entries.push_back(added);
    return int(entries.size()) - 1;
}

// The computer added by address that is reached at this address and port, or -1.
int FindManualEntry(const std::vector<CListEntry>& entries, const std::string& address,
                    uint16_t port) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].m_manual && entries[i].m_address == address && entries[i].m_port == port)
            return int(i);
    return -1;
}

// A discovered computer at the address and port of one added by address is that computer under
// another name: the added one's row stands for both.
bool Shadowed(const std::vector<CListEntry>& entries, const CListEntry& computer) {
    return !computer.m_manual && FindManualEntry(entries, computer.m_address, computer.m_port) >= 0;
}

bool IsSilent(const CListEntry& entry, uint32_t now) {
    return !entry.m_heard || uint32_t(now - entry.m_lastSeen) > kSilentAfterMs;
}

// The header stays only while a sleeping computer is listed under it.
void DropEmptySleepingHeader(CComputerListModel& rows) {
    const int header = rows.SleepingHeaderRow();
    if (header >= 0 && header == rows.rowCount() - 1) rows.RemoveRow(header);
}

// Gives entry a row at the end of the visible computers, taking it out of the sleeping section
// and replacing the help row when that is the only row.
void ListAmongVisible(CComputerListModel& rows, int entry, const QString& name,
                      const QString& detail) {
    const int row = rows.FindEntryRow(entry);
    if (row >= 0 && rows.ItemData(row) == kComputerRowData) {
        rows.SetDetail(row, detail);
        return;
    }
    if (row >= 0) {
        rows.RemoveRow(row);
        DropEmptySleepingHeader(rows);
    }
    if (rows.rowCount() == 1 && rows.ItemData(0) == kHelpRowData) rows.RemoveRow(0);
    rows.InsertRow(rows.VisibleEnd(), name, kComputerRowData, entry, detail);
}

// What the row of a computer added by address shows beside its name: the address, with the port
// (network byte order) when it is not the default one.
QString ManualComputerDetail(const std::string& address, uint16_t port) {
    const QString text = QString::fromStdString(address);
    const uint16_t hostPort = ntohs(port);
    return hostPort == kDefaultPort ? text : QStringLiteral("%1:%2").arg(text).arg(hostPort);
}

}  // namespace

void AddOrUpdateComputer(CComputerListModel& rows, std::vector<CListEntry>& entries,
                         const QString& name, const std::string& hostName,
                         const std::string& address, uint16_t port, uint32_t now,
                         const std::vector<platform::MacAddress>& advertisedMacs) {
    int entry = FindEntry(entries, name);
    if (entry < 0 || !entries[size_t(entry)].m_manual) {
        if (const int manual = FindManualEntry(entries, address, port); manual >= 0) {
            if (entry >= 0) rows.RemoveRow(rows.FindEntryRow(entry));
            entry = manual;
        }
    }
    if (entry < 0) entry = AddEntry(entries, name, hostName);
    CListEntry& computer = entries[size_t(entry)];
    computer.m_lastSeen = now;
    computer.m_heard = true;
    computer.m_advertisedMacs = advertisedMacs;
    if (computer.m_manual) {
        // The address the user gave stays the one its row shows and a tap connects to.
        ListAmongVisible(rows, entry, computer.m_name,
                         ManualComputerDetail(computer.m_address, computer.m_port));
        return;
    }
    computer.m_address = address;
    computer.m_port = port;
    ListAmongVisible(rows, entry, name, {});
}

int ListManualComputer(CComputerListModel& rows, std::vector<CListEntry>& entries,
                       const QString& name, const std::string& address, uint16_t port) {
    int entry = FindEntry(entries, name);
    if (entry < 0) entry = AddEntry(entries, name, name.toLocal8Bit().toStdString());
    CListEntry& computer = entries[size_t(entry)];
    computer.m_address = address;
    computer.m_port = port;
    computer.m_manual = true;
    computer.m_remembered = true;
    for (int row = rows.rowCount() - 1; row >= 0; --row) {
        const int other = rows.Entry(row);
        if (other >= 0 && size_t(other) < entries.size() &&
            Shadowed(entries, entries[size_t(other)]))
            rows.RemoveRow(row);
    }
    DropEmptySleepingHeader(rows);
    ListAmongVisible(rows, entry, name, ManualComputerDetail(address, port));
    return entry;
}

void UnlistManualComputer(CComputerListModel& rows, std::vector<CListEntry>& entries, int entry) {
    if (entry < 0 || size_t(entry) >= entries.size() || !entries[size_t(entry)].m_manual) return;
    CListEntry& computer = entries[size_t(entry)];
    computer.m_manual = false;
    computer.m_remembered = false;
    computer.m_mac.reset();
    // Its entry stays, as every entry does: discovery lists it again when it hears it.
    rows.RemoveRow(rows.FindEntryRow(entry));
}

void RemoveSilentComputers(CComputerListModel& rows, const std::vector<CListEntry>& entries,
                           uint32_t now) {
    for (int row = rows.rowCount() - 1; row >= 0; --row) {
        const int entry = rows.Entry(row);
        if (entry < 0 || size_t(entry) >= entries.size()) continue;
        const CListEntry& computer = entries[size_t(entry)];
        if (rows.ItemData(row) == kComputerRowData && !computer.m_manual && IsSilent(computer, now))
            rows.RemoveRow(row);
    }
    for (size_t entry = 0; entry < entries.size(); ++entry) {
        const CListEntry& computer = entries[entry];
        if (!computer.m_remembered || computer.m_manual || !IsSilent(computer, now) ||
            Shadowed(entries, computer) || rows.FindEntryRow(int(entry)) >= 0)
            continue;
        if (rows.SleepingHeaderRow() < 0)
            rows.AppendRow(kSleepingHeaderText, kSleepingHeaderData, -1);
        rows.AppendRow(computer.m_name, kSleepingRowData, int(entry));
    }
}

void ForgetSleepingComputers(CComputerListModel& rows, std::vector<CListEntry>& entries) {
    for (int row = rows.rowCount() - 1; row >= 0; --row) {
        const int itemData = rows.ItemData(row);
        const int entry = rows.Entry(row);
        const bool manual =
            entry >= 0 && size_t(entry) < entries.size() && entries[size_t(entry)].m_manual;
        if (itemData == kSleepingRowData || itemData == kSleepingHeaderData || manual)
            rows.RemoveRow(row);
    }
    for (CListEntry& entry : entries) {
        entry.m_remembered = false;
        entry.m_manual = false;
        entry.m_mac.reset();
    }
}
