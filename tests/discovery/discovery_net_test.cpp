#include "discovery/discovery.h"

#include "app/app.h"
#include "common/net_test.h"
#include "common/zeroconf_advertiser.h"
#include "discovery/browse_restart_thread.h"
#include "discovery/computer_list_model.h"
#include "platform/dnssd_embedded.h"

#include <arpa/inet.h>

#include <cstring>
#include <utility>

namespace {

// The whole discovery path into g_app's list, with an engine of the test's own in side B.
class Discovery : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        m_previousEngine = std::exchange(g_app.m_dnsSd, &m_engine);
        g_app.m_listModel = &m_rows;
        g_app.m_computers.clear();
        ASSERT_TRUE(StartDiscovery());
        StartBrowseRestartThread();
    }
    void TearDown() override {
        StopBrowseRestartThread();
        CloseDiscovery();
        if (m_previousEngine) g_app.m_dnsSd = m_previousEngine;
        g_app.m_listModel = nullptr;
        g_app.m_computers.clear();
        NetTest::TearDown();
    }

    int Row(const QString& name) const { return m_rows.FindRow(name); }
    const CListEntry& Opened(int row) const {
        return g_app.m_computers.at(size_t(m_rows.Entry(row)));
    }
    bool Listed(const QString& name) {
        return WaitUntil([&] { return Row(name) >= 0; });
    }

    platform::CEmbeddedDnsSd m_engine;
    platform::CDnsSdEngine* m_previousEngine = nullptr;
    CComputerListModel m_rows;
};

}  // namespace

TEST_F(Discovery, ListsComputersWithHostNameAddressAndPortAndStaysBoundedAcrossRestarts) {
    const QString longHost(60, QLatin1Char('w'));
    CZeroconfAdvertiser helper(*m_pair, {"Dormo on deskpc:deskpc:4660", "lab:lab.deskpc:4661",
                                         QStringLiteral("long:%1:4662").arg(longHost)});
    ASSERT_TRUE(helper.Ready()) << helper.Output().toStdString();
    for (const QString& host : {QStringLiteral("deskpc"), QStringLiteral("lab.deskpc"), longHost}) {
        ASSERT_TRUE(Listed(host)) << host.toStdString();
        EXPECT_EQ(Opened(Row(host)).m_hostName, host.toStdString());
        EXPECT_EQ(Opened(Row(host)).m_address, m_pair->AddressA().toStdString());
    }
    EXPECT_EQ(m_rows.rowCount(), 3);
    unsigned char port[2];
    std::memcpy(port, &Opened(Row("deskpc")).m_port, 2);
    EXPECT_EQ(port[0], 0x12);
    EXPECT_EQ(port[1], 0x34);
    EXPECT_EQ(Opened(Row("lab.deskpc")).m_port, htons(4661));

    // Two restart cycles later every restart's resolves and queries have been released: one
    // browse plus one resolve and one query per computer at most.
    const size_t lab = size_t(m_rows.Entry(Row("lab.deskpc")));
    const uint32_t seen = g_app.m_computers[lab].m_lastSeen;
    ASSERT_TRUE(WaitUntil([&] { return g_app.m_computers[lab].m_lastSeen - seen > 4000; }));
    EXPECT_LE(m_engine.LiveOperations(), 7u);
    EXPECT_EQ(m_rows.rowCount(), 3);
    EXPECT_EQ(g_app.m_computers.size(), 3u);
}

TEST_F(Discovery, WithdrawnComputerLosesItsRowButKeepsItsEntry) {
    CZeroconfAdvertiser helper(*m_pair, {"stays:deskpc:4660", "goes:laptop:4661"});
    ASSERT_TRUE(helper.Ready()) << helper.Output().toStdString();
    ASSERT_TRUE(Listed("deskpc"));
    ASSERT_TRUE(Listed("laptop"));
    ASSERT_TRUE(helper.Withdraw(QStringLiteral("goes")));
    ASSERT_TRUE(WaitUntil([&] { return Row("laptop") < 0; }, 30000));
    EXPECT_EQ(g_app.m_computers.size(), 2u);
    ASSERT_GE(Row("deskpc"), 0) << "the computer still advertising keeps its row";
    EXPECT_EQ(Opened(Row("deskpc")).m_name, "deskpc");
}
