#include "discovery/manual_computer.h"

#include "app/app.h"
#include "common/temp_config.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"
#include "discovery/remember.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <arpa/inet.h>

TEST(ManualComputer, CheckAcceptsIpv4AndResolvingNamesAndRefusesTheRestSayingWhy) {
    const HostLookup lookUp = [](const std::string& host) -> std::optional<std::string> {
        if (host == "nas.lan" || host == "nas.lan.") return "10.77.1.20";
        if (host == "zero") return "0.0.0.0";
        return std::nullopt;
    };
    using F = CManualField;
    const struct {
        const char *name, *address, *port;
        const char* stored;  // the address kept, or null for a refusal
        F field;
        const char* error;
    } cases[] = {
        {" office ", " 10.77.1.2 ", "4660", "10.77.1.2", F::Name, ""},
        {"nas", "nas.lan", " 1 ", "10.77.1.20", F::Name, ""},
        {"nas", "nas.lan.", "65535", "10.77.1.20", F::Name, ""},
        {"  ", "10.77.1.2", "4660", nullptr, F::Name, "Enter a name for the computer."},
        {"pc", " ", "4660", nullptr, F::Address, "Enter the computer's address."},
        {"pc", "10.77.1.2", "0", nullptr, F::Port, "The port must be a number from 1 to 65535."},
        {"pc", "10.77.1.2", "65536", nullptr, F::Port,
         "The port must be a number from 1 to 65535."},
        {"pc", "10.77.1.2", "46x", nullptr, F::Port, "The port must be a number from 1 to 65535."},
        {"pc", "10.1", "4660", nullptr, F::Address,
         "10.1 is not an IPv4 address: give four numbers from 0 to 255 separated by dots."},
        {"pc", "10.77.1.256", "4660", nullptr, F::Address,
         "10.77.1.256 is not an IPv4 address: give four numbers from 0 to 255 separated by dots."},
        {"pc", "10.77.1.2:4660", "4660", nullptr, F::Address,
         "Enter the port in the Port box, not in the address."},
        {"pc", "fe80::1", "4660", nullptr, F::Address,
         "Dormo reaches computers over IPv4: enter an IPv4 address or a host name."},
        {"pc", "my pc", "4660", nullptr, F::Address,
         "my pc is neither an IPv4 address nor a host name."},
        {"pc", "-pc.lan", "4660", nullptr, F::Address,
         "-pc.lan is neither an IPv4 address nor a host name."},
        {"pc", "gone.lan", "4660", nullptr, F::Address,
         "gone.lan could not be found. Check the name, or enter the computer's IPv4 address."},
        {"pc", "224.0.0.251", "4660", nullptr, F::Address,
         "224.0.0.251 cannot be the address of a computer."},
        {"pc", "255.255.255.255", "4660", nullptr, F::Address,
         "255.255.255.255 cannot be the address of a computer."},
        {"pc", "zero", "4660", nullptr, F::Address, "0.0.0.0 cannot be the address of a computer."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "|" + c.address + "|" + c.port);
        const CManualComputerCheck check = CheckManualComputer(c.name, c.address, c.port, lookUp);
        EXPECT_EQ(check.error, QString::fromUtf8(c.error));
        ASSERT_EQ(bool(check.computer), c.stored != nullptr);
        if (!check.computer) {
            EXPECT_EQ(check.field, c.field);
            continue;
        }
        EXPECT_EQ(check.computer->name, QString::fromUtf8(c.name).trimmed());
        EXPECT_EQ(check.computer->address, c.stored);
        EXPECT_EQ(check.computer->port, QString::fromUtf8(c.port).trimmed().toUInt());
        EXPECT_TRUE(check.computer->manual);
    }
}

TEST(ManualComputer, StaysListedOnceThroughSightingsSilenceAndARestartUntilRemoved) {
    CTempConfig config;
    CComputerListModel rows;
    g_app.m_listModel = &rows;
    const auto texts = [&] {
        QStringList list;
        for (int row = 0; row < rows.rowCount(); ++row) list << rows.Text(row) + rows.Detail(row);
        return list;
    };
    // deskpc was logged in to once; office-pc is the same computer as "office".
    AddOrUpdateComputer(rows, g_app.m_computers, "office-pc", "office-pc", "10.77.1.2", htons(4661),
                        0);
    g_app.m_computers[0].m_remembered = true;
    ASSERT_TRUE(AddManualComputer(g_app, {"office", "10.77.1.2", 4661, std::nullopt, true}));
    ASSERT_TRUE(AddManualComputer(g_app, {"nas", "10.77.1.20", 4660, std::nullopt, true}));
    EXPECT_EQ(texts(), (QStringList{"office10.77.1.2:4661", "nas10.77.1.20"}));
    AddOrUpdateComputer(rows, g_app.m_computers, "office-pc", "office-pc", "10.77.1.2", htons(4661),
                        10);
    AddOrUpdateComputer(rows, g_app.m_computers, "nas", "nas", "10.77.1.99", htons(1), 10);
    RemoveSilentComputers(rows, g_app.m_computers, 60000);
    EXPECT_EQ(texts(), (QStringList{"office10.77.1.2:4661", "nas10.77.1.20"}))
        << "one row each, never sleeping, at the address given";
    EXPECT_EQ(g_app.m_computers[size_t(rows.Entry(1))].m_address, "10.77.1.20");

    // The next start: the settings read back list both at once.
    g_app.m_computers.clear();
    rows.Clear();
    LoadRememberedComputers(g_app);
    EXPECT_EQ(texts(), (QStringList{"office10.77.1.2:4661", "nas10.77.1.20"}));
    RemoveManualComputer(g_app, rows.Entry(0));
    EXPECT_EQ(texts(), QStringList{"nas10.77.1.20"});
    EXPECT_EQ(CRememberedComputers(*config.Reopen()).Load(),
              (std::vector<CRememberedComputer>{{"nas", "10.77.1.20", 4660, std::nullopt, true}}));
    ForgetRememberedComputers(g_app);
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_TRUE(CRememberedComputers(*config.Reopen()).Load().empty());
    g_app.m_listModel = nullptr;
    g_app.m_computers.clear();
}
