#include "discovery/add_or_update.h"

#include "discovery/computer_list_model.h"

namespace {

int FindEntry(const std::vector<CListEntry>& entries, const QString& name) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].m_name == name) return int(i);
    return -1;
}

bool IsSilent(const CListEntry& entry, uint32_t now) {
    return !entry.m_heard || uint32_t(now - entry.m_lastSeen) > kSilentAfterMs;
}

// The header stays only while a sleeping computer is listed under it.
void DropEmptySleepingHeader(CComputerListModel& rows) {
    const int header = rows.SleepingHeaderRow();
    if (header >= 0 && header == rows.rowCount() - 1) rows.RemoveRow(header);
}

}  // namespace

void AddOrUpdateComputer(CComputerListModel& rows, std::vector<CListEntry>& entries,
                         const QString& name, const std::string& hostName,
                         const std::string& address, uint16_t port, uint32_t now,
                         const std::vector<platform::MacAddress>& advertisedMacs) {
    int entry = FindEntry(entries, name);
    if (entry < 0) {
        CListEntry added;
        added.m_name = name;
        added.m_hostName = hostName;
        entries.push_back(added);
        entry = int(entries.size()) - 1;
    }
    CListEntry& computer = entries[size_t(entry)];
    computer.m_lastSeen = now;
    computer.m_address = address;
    computer.m_port = port;
    computer.m_heard = true;
    computer.m_advertisedMacs = advertisedMacs;

    const int row = rows.FindEntryRow(entry);
    if (row >= 0 && rows.ItemData(row) == kComputerRowData) return;
    if (row >= 0) {
        rows.RemoveRow(row);
        DropEmptySleepingHeader(rows);
    }
    if (rows.rowCount() == 1 && rows.ItemData(0) == kHelpRowData) rows.RemoveRow(0);
    rows.InsertRow(rows.VisibleEnd(), name, kComputerRowData, entry);
}

void RemoveSilentComputers(CComputerListModel& rows, const std::vector<CListEntry>& entries,
                           uint32_t now) {
    for (int row = rows.rowCount() - 1; row >= 0; --row) {
        const int entry = rows.Entry(row);
        if (entry < 0 || size_t(entry) >= entries.size()) continue;
        if (rows.ItemData(row) == kComputerRowData && IsSilent(entries[size_t(entry)], now))
            rows.RemoveRow(row);
    }
    for (size_t entry = 0; entry < entries.size(); ++entry) {
        const CListEntry& computer = entries[entry];
        if (!computer.m_remembered || !IsSilent(computer, now) ||
            rows.FindEntryRow(int(entry)) >= 0)
            continue;
        if (rows.SleepingHeaderRow() < 0)
            rows.AppendRow(kSleepingHeaderText, kSleepingHeaderData, -1);
        rows.AppendRow(computer.m_name, kSleepingRowData, int(entry));
    }
}

void ForgetSleepingComputers(CComputerListModel& rows, std::vector<CListEntry>& entries) {
    for (CListEntry& entry : entries) {
        entry.m_remembered = false;
        entry.m_mac.reset();
    }
    for (int row = rows.rowCount() - 1; row >= 0; --row) {
        const int itemData = rows.ItemData(row);
        if (itemData == kSleepingRowData || itemData == kSleepingHeaderData) rows.RemoveRow(row);
    }
}
