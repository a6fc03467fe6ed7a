#include "discovery/discovery.h"

#include "app/app.h"
#include "app/settings.h"
#include "common/avahi_daemon.h"
#include "common/net_test.h"
#include "common/temp_config.h"
#include "common/zeroconf_advertiser.h"
#include "discovery/browse_restart_thread.h"
#include "discovery/computer_list_model.h"
#include "platform/dnssd_choice.h"
#include "platform/registry.h"

#include <memory>
#include <utility>

namespace {

// The whole discovery path on the engine the program chooses, in side B, where a real
// avahi-daemon can run on the test's private system bus; python3-zeroconf advertises in side A.
class EngineChoice : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        m_previousEngine = std::exchange(g_app.m_dnsSd, &m_engine);
        g_app.m_listModel = &m_rows;
        g_app.m_computers.clear();
        m_peer = std::make_unique<CZeroconfAdvertiser>(*m_pair, QStringList{"deskpc:deskpc:4660"});
        ASSERT_TRUE(m_peer->Ready()) << m_peer->Output().toStdString();
    }
    void TearDown() override {
        StopBrowseRestartThread();
        CloseDiscovery();
        if (m_previousEngine) g_app.m_dnsSd = m_previousEngine;
        g_app.m_listModel = nullptr;
        g_app.m_computers.clear();
        m_daemon.reset();
        m_peer.reset();
        NetTest::TearDown();
    }

    void StartDaemon() {
        m_daemon = std::make_unique<CAvahiDaemon>(m_pair->NameB(), m_pair->InterfaceB(),
                                                  QStringLiteral("handheld"));
        ASSERT_TRUE(m_daemon->Ok()) << m_daemon->Log().toStdString();
    }
    // Starts discovery with the product key's MdnsEngine as given (a null text: no value).
    void Start(const QString& preference) {
        if (!preference.isNull()) {
            platform::CRegKey key;
            ASSERT_EQ(g_app.m_registry->CreateKey(kProductKey, &key), platform::ERROR_SUCCESS);
            key.SetString(QStringLiteral("MdnsEngine"), preference);
        }
        ASSERT_TRUE(StartDiscovery());
        StartBrowseRestartThread();
    }
    bool Listed() {
        return WaitUntil([&] { return m_rows.FindRow("deskpc") >= 0; });
    }
    bool HoldsMdnsSocket() const {
        return ::HoldsMdnsSocket(m_pair->NameB(), QCoreApplication::applicationPid());
    }

    CTempConfig m_config;
    platform::CChosenDnsSd m_engine{[] { return MdnsEngineSetting(g_app); }};
    platform::CDnsSdEngine* m_previousEngine = nullptr;
    CComputerListModel m_rows;
    std::unique_ptr<CZeroconfAdvertiser> m_peer;
    std::unique_ptr<CAvahiDaemon> m_daemon;
};

}  // namespace

TEST_F(EngineChoice, DaemonOnTheBusIsUsedWithoutAnMdnsSocketAndTheListRecoversAfterItRestarts) {
    StartDaemon();
    Start(QString());
    EXPECT_TRUE(m_engine.UsesDaemon());
    ASSERT_TRUE(Listed());
    EXPECT_FALSE(HoldsMdnsSocket()) << "one mDNS stack per host: the daemon's";

    m_daemon->Kill();
    ASSERT_TRUE(WaitUntil([&] { return m_rows.FindRow("deskpc") < 0; }, 30000))
        << "with the daemon gone nothing is heard";
    ASSERT_TRUE(m_daemon->Start()) << m_daemon->Log().toStdString();
    ASSERT_TRUE(Listed()) << "listed again once the daemon is back";
    // The lookups of the daemon that went away are neither kept nor released twice: one browse,
    // at most one resolve and one address query.
    EXPECT_LE(m_engine.LiveOperations(), 3u);
    // TearDown then closes the engine while the daemon is away.
    m_daemon->Kill();
}

TEST_F(EngineChoice, DaemonAskedForButNotRunningFillsTheListOnceItStarts) {
    Start(QStringLiteral("Daemon"));
    EXPECT_TRUE(m_engine.UsesDaemon());
    StartDaemon();
    EXPECT_TRUE(Listed());
    EXPECT_FALSE(HoldsMdnsSocket());
}

TEST_F(EngineChoice, WithoutABusTheEmbeddedEngineListsAsBefore) {
    Start(QString());
    EXPECT_FALSE(m_engine.UsesDaemon());
    EXPECT_TRUE(Listed());
    EXPECT_TRUE(HoldsMdnsSocket()) << "the embedded engine listens itself";
}

TEST_F(EngineChoice, EmbeddedAskedForIsUsedEvenBesideADaemon) {
    StartDaemon();
    Start(QStringLiteral("embedded"));
    EXPECT_FALSE(m_engine.UsesDaemon());
    EXPECT_TRUE(Listed());
}
