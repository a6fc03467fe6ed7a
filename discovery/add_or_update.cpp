#include "discovery/add_or_update.h"

#include "discovery/computer_list_model.h"

namespace {

int FindEntry(const std::vector<CListEntry>& entries, const QString& name) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].m_name == name) return int(i);
    return -1;
}

}  // namespace

void AddOrUpdateComputer(CComputerListModel& rows, std::vector<CListEntry>& entries,
                         const QString& name, const std::string& hostName,
                         const std::string& address, uint16_t port, uint32_t now) {
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

    if (rows.FindEntryRow(entry) >= 0) return;
    if (rows.rowCount() == 1 && rows.ItemData(0) == kHelpRowData) rows.RemoveRow(0);
    rows.AppendRow(name, kComputerRowData, entry);
}

void RemoveSilentComputers(CComputerListModel& rows, const std::vector<CListEntry>& entries,
                           uint32_t now) {
    for (int row = rows.rowCount() - 1; row >= 0; --row) {
        const int entry = rows.Entry(row);
        if (entry < 0 || size_t(entry) >= entries.size()) continue;
        if (uint32_t(now - entries[size_t(entry)].m_lastSeen) > kSilentAfterMs) rows.RemoveRow(row);
    }
}
