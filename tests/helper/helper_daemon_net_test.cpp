#include "common/avahi_daemon.h"
#include "common/helper_process.h"
#include "common/net_test.h"
#include "common/zeroconf_advertiser.h"

#include <QProcess>

#include <memory>

namespace {

// dormo-helper in side A beside a real avahi-daemon there that calls the host "deskpc-2" (as after
// a name conflict on the network); python3-zeroconf browses from side B.
class HelperBesideDaemon : public NetTest {
protected:
    HelperBesideDaemon() : NetTest(QStringLiteral("help")) {}
    void SetUp() override {
        NetTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        m_daemon = std::make_unique<CAvahiDaemon>(m_pair->NameA(), m_pair->InterfaceA(),
                                                  QStringLiteral("deskpc-2"));
        ASSERT_TRUE(m_daemon->Ok()) << m_daemon->Log().toStdString();
    }
    void TearDown() override {
        m_helper.reset();
        m_daemon.reset();
        NetTest::TearDown();
    }

    void StartHelper() {
        m_helper = std::make_unique<CHelperProcess>(
            "pw", QStringList{"ip", "netns", "exec", m_pair->NameA()},
            QStringList{"--port", "0", "--host-name", "vm"});
        ASSERT_NE(m_helper->Port(), 0) << m_helper->Log().toStdString();
    }
    // The services python3-zeroconf finds in side B, one line each: name (server, addresses, port).
    QByteArray Browse() {
        QProcess browse;
        m_pair->Start(browse, m_pair->NameB(), kDebianPython,
                      {QStringLiteral(DORMO_BROWSE_SERVICES), m_pair->AddressB(), "4"});
        browse.waitForFinished(30000);
        return browse.readAllStandardOutput();
    }
    QByteArray Found(const QByteArray& service) {
        return service + "._vh-dormo._tcp.local. ('deskpc-2.local.', ['" +
               m_pair->AddressA().toLatin1() + "'], " + QByteArray::number(m_helper->Port()) + ")";
    }

    std::unique_ptr<CAvahiDaemon> m_daemon;
    std::unique_ptr<CHelperProcess> m_helper;
};

}  // namespace

TEST_F(HelperBesideDaemon, PublishesOnlyItsServiceThroughTheDaemonAndAgainAfterItRestarts) {
    StartHelper();
    ASSERT_TRUE(m_helper->WaitForLog("through avahi-daemon\n")) << m_helper->Log().toStdString();
    EXPECT_TRUE(Browse().contains(Found("deskpc-2")));
    EXPECT_FALSE(HoldsMdnsSocket(m_pair->NameA(), m_helper->Pid()))
        << "one mDNS stack per host: the daemon's";

    m_daemon->Kill();
    ASSERT_TRUE(m_daemon->Start()) << m_daemon->Log().toStdString();
    ASSERT_TRUE(m_helper->WaitForLog("through avahi-daemon\n", 2)) << m_helper->Log().toStdString();
    EXPECT_TRUE(Browse().contains(Found("deskpc-2")));
    EXPECT_FALSE(m_helper->Log().contains("is taken")) << "the helper never renames its host";
}

TEST_F(HelperBesideDaemon, ServiceNameTakenOnTheLinkGivesWayToTheNextFreeOne) {
    CZeroconfAdvertiser other(*m_pair, {"deskpc-2:otherpc:4660"});
    ASSERT_TRUE(other.Ready()) << other.Output().toStdString();
    StartHelper();
    ASSERT_TRUE(m_helper->WaitForLog("through avahi-daemon\n")) << m_helper->Log().toStdString();
    EXPECT_TRUE(m_helper->Log().contains("service name deskpc-2 is taken, now deskpc-2 #2"));
    EXPECT_TRUE(Browse().contains(Found("deskpc-2 #2")));
}
