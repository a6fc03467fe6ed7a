#include "discovery/add_or_update.h"

#include "discovery/computer_list_model.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

const QString kHelp = QStringLiteral("Can't see your PC? Tap here!");

class AddOrUpdate : public ::testing::Test {
protected:
    void See(const QString& name, const std::string& address, uint16_t port, uint32_t now) {
        AddOrUpdateComputer(m_rows, m_entries, name, name.toStdString(), address, port, now);
    }
    void Sweep(uint32_t now) { RemoveSilentComputers(m_rows, m_entries, now); }
    QStringList Rows() const {
        QStringList texts;
        for (int row = 0; row < m_rows.rowCount(); ++row) texts << m_rows.Text(row);
        return texts;
    }
    // The entry that a tap on the row would open.
    const CListEntry& Opened(int row) const { return m_entries.at(size_t(m_rows.Entry(row))); }

    CComputerListModel m_rows;
    std::vector<CListEntry> m_entries;
};

}  // namespace

TEST_F(AddOrUpdate, HelpRowIsReplacedOnlyWhenItIsTheOnlyRow) {
    m_rows.AppendRow(kHelp, kHelpRowData, -1);
    Sweep(123456);
    ASSERT_EQ(Rows(), QStringList{kHelp}) << "the sweep leaves the help row";
    See("deskpc", "10.77.1.1", 0x3412, 100);
    ASSERT_EQ(Rows(), QStringList{"deskpc"});
    EXPECT_EQ(m_rows.ItemData(0), kComputerRowData);
    EXPECT_EQ(Opened(0).m_hostName, "deskpc");
    m_rows.AppendRow(kHelp, kHelpRowData, -1);
    See("laptop", "10.77.1.2", 2, 200);
    EXPECT_EQ(Rows(), QStringList({"deskpc", kHelp, "laptop"}));
    EXPECT_EQ(Opened(2).m_name, "laptop");
}

TEST_F(AddOrUpdate, OneRowPerNameWithTheLatestAddressAndPort) {
    // deskpc heard on two interfaces, then at another address and port; deskpc2 is another.
    const QString longName(300, u'h');
    for (const QString& name : {QStringLiteral("deskpc"), QStringLiteral("deskpc2"), longName})
        See(name, "10.77.1.5", 2, 100);
    See("deskpc", "10.77.2.1", 0x3412, 110);
    See("deskpc", "10.77.3.9", 0x3512, 3000);
    EXPECT_EQ(Rows(), QStringList({"deskpc", "deskpc2", longName}));
    ASSERT_EQ(m_entries.size(), 3u);
    EXPECT_EQ(Opened(0).m_address, "10.77.3.9");
    EXPECT_EQ(Opened(0).m_port, 0x3512);
    EXPECT_EQ(Opened(0).m_lastSeen, 3000u);
    EXPECT_EQ(Opened(1).m_address, "10.77.1.5");
}

TEST_F(AddOrUpdate, SilentComputerLosesItsRowAndComesBackAtTheEndStillOpeningItself) {
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
}

TEST_F(AddOrUpdate, TickCountThatWrapsIsMeasuredAcrossTheWrap) {
    const uint32_t beforeWrap = 0xFFFFF000u;
    See("deskpc", "10.77.1.1", 1, beforeWrap);
    Sweep(beforeWrap + 9000);
    EXPECT_EQ(m_rows.rowCount(), 1);
    See("deskpc", "10.77.1.1", 1, beforeWrap + 9000);
    Sweep(beforeWrap + 9000 + kSilentAfterMs + 1);
    EXPECT_EQ(m_rows.rowCount(), 0);
}

TEST_F(AddOrUpdate, RememberedComputerSleepsWhileSilentAndMovesBackUpWhenHeard) {
    m_entries.push_back(CListEntry{});
    m_entries[0].m_name = "nas";
    m_entries[0].m_remembered = true;
    See("deskpc", "10.77.1.1", 1, 1000);

    // Never heard in this run: sleeping at once, under its header, which cannot be tapped.
    Sweep(1500);
    EXPECT_EQ(Rows(), QStringList({"deskpc", "Sleeping Computers", "nas"}));
    EXPECT_EQ(m_rows.ItemData(1), kSleepingHeaderData);
    EXPECT_EQ(m_rows.ItemData(2), kSleepingRowData);
    EXPECT_EQ(Opened(2).m_name, "nas");
    EXPECT_EQ(m_rows.flags(m_rows.index(1)), Qt::NoItemFlags);

    See("nas", "10.77.1.5", 5, 2000);
    EXPECT_EQ(Rows(), QStringList({"deskpc", "nas"})) << "no header without a sleeper";

    // deskpc logged in to, then silent: it sleeps; nas, still heard, stays up.
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
