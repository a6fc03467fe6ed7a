#include "discovery/remember.h"

#include "app/app.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"
#include "discovery/remembered_computers.h"
#include "platform/neighbour_table.h"

#include <arpa/inet.h>

#include <algorithm>

using namespace platform;

std::optional<MacAddress> LearnMac(const std::vector<MacAddress>& advertised,
                                   const std::string& address) {
    const std::optional<MacAddress> neighbour = NeighbourMac(address);
    if (advertised.empty()) return neighbour;
    if (neighbour &&
        std::find(advertised.begin(), advertised.end(), *neighbour) != advertised.end())
        return neighbour;
    return advertised.front();
}

void LoadRememberedComputers(CApp& app) {
    if (!app.m_registry) return;
    CComputerListModel noRows;
    CComputerListModel& rows = app.m_listModel ? *app.m_listModel : noRows;
    for (const CRememberedComputer& remembered : CRememberedComputers(*app.m_registry).Load()) {
        if (remembered.manual) {
            const int entry = ListManualComputer(rows, app.m_computers, remembered.name,
                                                 remembered.address, htons(remembered.port));
            app.m_computers[size_t(entry)].m_mac = remembered.mac;
            continue;
        }
        const bool listed =
            std::any_of(app.m_computers.begin(), app.m_computers.end(),
                        [&](const CListEntry& e) { return e.m_name == remembered.name; });
        if (listed) continue;
        CListEntry entry;
        entry.m_name = remembered.name;
        entry.m_hostName = remembered.name.toLocal8Bit().toStdString();
        entry.m_address = remembered.address;
        entry.m_port = htons(remembered.port);
        entry.m_remembered = true;
        entry.m_mac = remembered.mac;
        app.m_computers.push_back(entry);
    }
}

void RememberComputer(CApp& app, int entry) {
    if (!app.m_registry || entry < 0 || size_t(entry) >= app.m_computers.size()) return;
    CListEntry& computer = app.m_computers[size_t(entry)];
    if (const auto mac = LearnMac(computer.m_advertisedMacs, computer.m_address))
        computer.m_mac = mac;
    CRememberedComputers(*app.m_registry)
        .Remember({computer.m_name, computer.m_address, ntohs(computer.m_port), computer.m_mac,
                   computer.m_manual});
    computer.m_remembered = true;
}

void ForgetRememberedComputers(CApp& app) {
    if (app.m_registry) CRememberedComputers(*app.m_registry).Forget();
    CComputerListModel noRows;
    ForgetSleepingComputers(app.m_listModel ? *app.m_listModel : noRows, app.m_computers);
}
