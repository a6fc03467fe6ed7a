#include "discovery/manual_computer.h"

#include "app/app.h"
#include "common/temp_config.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"
#include "discovery/remember.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

TEST(ManualComputer, CheckKeepsAnIpv4AddressOrWhatANameResolvesToAndRefusesTheRest) {
    const HostLookup lookUp = [](const std::string& host) -> std::optional<std::string> {
        if (host == "nas.lan") return "10.77.1.20";
        if (host == "zero") return "0.0.0.0";
        return std::nullopt;
    };
    using F = CManualField;
    const struct {
        const char *name, *address, *port, *kept;  // kept: null for a refusal of field
        F field;
    } cases[] = {
        {" pc ", " 10.77.1.2 ", " 4660 ", "10.77.1.2", F::Name},
        {"pc", "nas.lan", "65535", "10.77.1.20", F::Name},
        {" ", "10.77.1.2", "4660", nullptr, F::Name},
        {"pc", "", "4660", nullptr, F::Address},
        {"pc", "10.1", "4660", nullptr, F::Address},  // the resolver would make it 10.0.0.1
        {"pc", "10.77.1.2:4660", "4660", nullptr, F::Address},
        {"pc", "fe80::1", "4660", nullptr, F::Address},
        {"pc", "my pc", "4660", nullptr, F::Address},
        {"pc", "gone.lan", "4660", nullptr, F::Address},
        {"pc", "224.0.0.251", "4660", nullptr, F::Address},
        {"pc", "zero", "4660", nullptr, F::Address},
        {"pc", "10.77.1.2", "0", nullptr, F::Port},
        {"pc", "10.77.1.2", "65536", nullptr, F::Port},
        {"pc", "10.77.1.2", "1x", nullptr, F::Port},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "|" + c.address + "|" + c.port);
        const CManualComputerCheck check = CheckManualComputer(c.name, c.address, c.port, lookUp);
        ASSERT_EQ(bool(check.computer), c.kept != nullptr) << check.error.toStdString();
        EXPECT_EQ(check.error.isEmpty(), c.kept != nullptr);
        if (!check.computer) {
            EXPECT_EQ(check.field, c.field);
            continue;
        }
        const CRememberedComputer expected{"pc", c.kept, uint16_t(atoi(c.port)), {}, true};
        EXPECT_EQ(*check.computer, expected);
    }
}

TEST(ManualComputer, StaysListedOnceThroughSightingsSilenceAndARestartUntilRemoved) {
    CTempConfig config;
    CComputerListModel rows;
    g_app.m_listModel = &rows;
    auto& entries = g_app.m_computers;
    const auto texts = [&] {
        QStringList list;
        for (int row = 0; row < rows.rowCount(); ++row) list << rows.Text(row) + rows.Detail(row);
        return list;
    };
    // office-pc, logged in to once, is the computer added as "office".
    AddOrUpdateComputer(rows, entries, "office-pc", "office-pc", "10.77.1.2", htons(4661), 0);
    entries[0].m_remembered = true;
    ASSERT_TRUE(AddManualComputer(g_app, {"office", "10.77.1.2", 4661, {}, true}));
    ASSERT_TRUE(AddManualComputer(g_app, {"nas", "10.77.1.20", 4660, {}, true}));
    const QStringList both{"office10.77.1.2:4661", "nas10.77.1.20"};
    AddOrUpdateComputer(rows, entries, "office-pc", "office-pc", "10.77.1.2", htons(4661), 10);
    AddOrUpdateComputer(rows, entries, "nas", "nas", "10.77.1.99", htons(1), 10);
    RemoveSilentComputers(rows, entries, 60000);
    EXPECT_EQ(texts(), both) << "one row each, never sleeping, at the address given";

    entries.clear();  // the next start reads them back
    rows.Clear();
    LoadRememberedComputers(g_app);
    EXPECT_EQ(texts(), both);
    RemoveManualComputer(g_app, rows.Entry(0));
    EXPECT_EQ(texts(), QStringList{"nas10.77.1.20"});
    const std::vector<CRememberedComputer> nas{{"nas", "10.77.1.20", 4660, {}, true}};
    EXPECT_EQ(CRememberedComputers(*config.Reopen()).Load(), nas);
    ForgetRememberedComputers(g_app);
    EXPECT_EQ(rows.rowCount(), 0);
    g_app.m_listModel = nullptr;
    entries.clear();
}
