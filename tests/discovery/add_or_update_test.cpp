#include "discovery/add_or_update.h"

#include "app/app.h"
#include "common/temp_config.h"
#include "discovery/computer_list_model.h"
#include "discovery/manual_computer.h"
#include "discovery/remember.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <arpa/inet.h>

namespace {

const QString kHelp = QStringLiteral("help");

// Rows and entries are g_app's, as the functions that add computers by address use them.
class AddOrUpdate : public ::testing::Test {
protected:
    AddOrUpdate() { g_app.m_listModel = &m_rows; }
    ~AddOrUpdate() override {
        g_app.m_listModel = nullptr;
        m_entries.clear();
    }
    void See(const QString& name, const std::string& address, uint16_t port, uint32_t now) {
        AddOrUpdateComputer(m_rows, m_entries, name, name.toStdString(), address, port, now);
    }
    void Sweep(uint32_t now) { RemoveSilentComputers(m_rows, m_entries, now); }
    // Each row's text followed by its detail.
    QStringList Rows() const {
        QStringList texts;
        for (int row = 0; row < m_rows.rowCount(); ++row)
            texts << m_rows.Text(row) + m_rows.Detail(row);
        return texts;
    }
    // The entry that a tap on the row would open.
    const CListEntry& Opened(int row) const { return m_entries.at(size_t(m_rows.Entry(row))); }

    CComputerListModel m_rows;
    std::vector<CListEntry>& m_entries = g_app.m_computers;
};

}  // namespace

TEST_F(AddOrUpdate, OneRowPerNameAtTheLatestAddressReplacingAHelpRowThatIsAlone) {
    m_rows.AppendRow(kHelp, kHelpRowData, -1);
    Sweep(123456);
    ASSERT_EQ(Rows(), QStringList{kHelp}) << "the sweep leaves the help row";
    See("deskpc", "10.77.1.5", 2, 100);
    ASSERT_EQ(Rows(), QStringList{"deskpc"});
    m_rows.AppendRow(kHelp, kHelpRowData, -1);
    // deskpc heard on two interfaces, then at another address and port; deskpc2 is another.
    const QString longName(300, u'h');
    for (const QString& name : {QStringLiteral("deskpc2"), longName})
        See(name, "10.77.1.5", 2, 100);
    See("deskpc", "10.77.2.1", 0x3412, 110);
    See("deskpc", "10.77.3.9", 0x3512, 3000);
    EXPECT_EQ(Rows(), QStringList({"deskpc", kHelp, "deskpc2", longName}));
    ASSERT_EQ(m_entries.size(), 3u);
    EXPECT_EQ(Opened(0).m_hostName, "deskpc");
    EXPECT_EQ(Opened(0).m_address, "10.77.3.9");
    EXPECT_EQ(Opened(0).m_port, 0x3512);
    EXPECT_EQ(Opened(0).m_lastSeen, 3000u);
    EXPECT_EQ(Opened(2).m_name, "deskpc2");
    EXPECT_EQ(Opened(2).m_address, "10.77.1.5");
}

TEST_F(AddOrUpdate, SilentComputerLosesItsRowAndComesBackAtTheEndAcrossATickWrap) {
    for (const char* name : {"deskpc", "laptop", "server"}) See(name, "10.77.1.1", 1, 1000);
    See("laptop", "10.77.1.2", 2, 5000);
    See("server", "10.77.1.3", 3, 5000);
    Sweep(1000 + kSilentAfterMs);
    EXPECT_EQ(Rows(), QStringList({"deskpc", "laptop", "server"})) << "10 s is not yet silent";
    Sweep(1001 + kSilentAfterMs);
    EXPECT_EQ(Rows(), QStringList({"laptop", "server"}));

    See("deskpc", "10.77.1.9", 9, 12000);
    EXPECT_EQ(Rows(), QStringList({"laptop", "server", "deskpc"}));
    ASSERT_EQ(m_entries.size(), 3u) << "entries never move";
    for (int row = 0; row < m_rows.rowCount(); ++row)
        EXPECT_EQ(Opened(row).m_name, m_rows.Text(row)) << "row " << row;
    EXPECT_EQ(Opened(2).m_address, "10.77.1.9");

    const uint32_t beforeWrap = 0xFFFFF000u;
    See("deskpc", "10.77.1.1", 1, beforeWrap);
    Sweep(beforeWrap + 9000);
    EXPECT_EQ(Rows(), QStringList{"deskpc"});
    See("deskpc", "10.77.1.1", 1, beforeWrap + 9000);
    Sweep(beforeWrap + 9000 + kSilentAfterMs + 1);
    EXPECT_EQ(m_rows.rowCount(), 0);
}

TEST_F(AddOrUpdate, RememberedComputerSleepsWhileSilentAndMovesBackUpWhenHeard) {
    m_entries.push_back(CListEntry{});
    m_entries[0].m_name = "nas";
    m_entries[0].m_remembered = true;
    See("deskpc", "10.77.1.1", 1, 1000);

    // Never heard in this run: sleeping at once, under a header that cannot be selected.
    Sweep(1500);
    EXPECT_EQ(Rows(), QStringList({"deskpc", "Sleeping Computers", "nas"}));
    EXPECT_EQ(m_rows.flags(m_rows.index(1)), Qt::NoItemFlags);

    // deskpc logged in to, then silent: it sleeps; nas, heard, moves up.
    m_entries[1].m_remembered = true;
    See("nas", "10.77.1.5", 5, 9000);
    Sweep(1001 + kSilentAfterMs);
    EXPECT_EQ(Rows(), QStringList({"nas", "Sleeping Computers", "deskpc"}));
    EXPECT_EQ(Opened(2).m_name, "deskpc");
    See("laptop", "10.77.1.7", 7, 11100);
    EXPECT_EQ(Rows(), QStringList({"nas", "laptop", "Sleeping Computers", "deskpc"}))
        << "visible computers come above the sleeping ones";

    ForgetSleepingComputers(m_rows, m_entries);
    EXPECT_EQ(Rows(), QStringList({"nas", "laptop"}));
    Sweep(30000);
    EXPECT_EQ(m_rows.rowCount(), 0) << "forgotten computers no longer sleep";
}

TEST(ManualComputer, CheckKeepsAnIpv4AddressOrWhatANameResolvesToAndRefusesTheRest) {
    const HostLookup lookUp = [](const std::string& host) -> std::optional<std::string> {
        if (host == "nas.lan") return "10.77.1.20";
        if (host == "zero") return "0.0.0.0";
        if (host == "10.1") return "10.0.0.1";  // as the system's resolver does
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
        {"pc", "10.1", "4660", nullptr, F::Address},
        {"pc", "10.77.1.2:4660", "4660", nullptr, F::Address},
        {"pc", "fe80::1", "4660", nullptr, F::Address},
        {"pc", "my pc", "4660", nullptr, F::Address},
        {"pc", "gone.lan", "4660", nullptr, F::Address},
        {"pc", "224.0.0.251", "4660", nullptr, F::Address},
        {"pc", "zero", "4660", nullptr, F::Address},
        {"pc", "10.77.1.2", "65536", nullptr, F::Port},
        {"pc", "10.77.1.2", "1x", nullptr, F::Port},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "|" + c.address + "|" + c.port);
        const CManualComputerCheck check = CheckManualComputer(c.name, c.address, c.port, lookUp);
        std::optional<CRememberedComputer> kept;
        if (c.kept) kept = CRememberedComputer{"pc", c.kept, uint16_t(atoi(c.port)), {}, true};
        EXPECT_EQ(check.computer, kept) << check.error.toStdString();
        EXPECT_EQ(check.error.isEmpty(), c.kept != nullptr);
        EXPECT_TRUE(c.kept || check.field == c.field) << int(check.field);
    }
}

TEST_F(AddOrUpdate, ManualComputerStaysListedOnceThroughSightingsSilenceAndARestart) {
    CTempConfig config;
    // office-pc, logged in to once, is the computer added as "office".
    See("office-pc", "10.77.1.2", htons(4661), 0);
    m_entries[0].m_remembered = true;
    ASSERT_TRUE(AddManualComputer(g_app, {"office", "10.77.1.2", 4661, {}, true}));
    ASSERT_TRUE(AddManualComputer(g_app, {"nas", "10.77.1.20", 4660, {}, true}));
    const QStringList both{"office10.77.1.2:4661", "nas10.77.1.20"};
    See("office-pc", "10.77.1.2", htons(4661), 10);
    See("nas", "10.77.1.99", htons(1), 10);
    Sweep(60000);
    EXPECT_EQ(Rows(), both) << "one row each, never sleeping, at the address given";

    m_entries.clear();  // the next start reads them back
    m_rows.Clear();
    LoadRememberedComputers(g_app);
    EXPECT_EQ(Rows(), both);
    RemoveManualComputer(g_app, m_rows.Entry(0));
    EXPECT_EQ(Rows(), QStringList{"nas10.77.1.20"});
    const std::vector<CRememberedComputer> nas{{"nas", "10.77.1.20", 4660, {}, true}};
    EXPECT_EQ(CRememberedComputers(*config.Reopen()).Load(), nas);
    ForgetRememberedComputers(g_app);
    EXPECT_EQ(m_rows.rowCount(), 0);
}
