#include "common/avahi_daemon.h"
#include "common/helper_process.h"
#include "common/net_test.h"
#include "common/zeroconf_advertiser.h"

#include <QProcess>

namespace {

// dormo-helper advertising over real mDNS between the two sides, beside an avahi-daemon in side A
// that calls its host "deskpc-2" (as after a name conflict); python3-zeroconf browses.
class HelperAdvertising : public NetTest {
protected:
    HelperAdvertising() : NetTest(QStringLiteral("help")) {}

    // The services found from side ns, one line each: name (server, addresses, port) TXT.
    QByteArray Browse(const QString& ns, const QString& address) {
        QProcess browse;
        m_pair->Start(browse, ns, kDebianPython, {DORMO_BROWSE_SERVICES, address, "4"});
        browse.waitForFinished(30000);
        return browse.readAllStandardOutput();
    }
    static QByteArray Found(const QString& service, const QString& host, const QString& ns,
                            const QString& address, quint16 port) {
        return QStringLiteral("%1._vh-dormo._tcp.local. ('%2.local.', ['%3'], %4) mac=%5")
            .arg(service, host, address)
            .arg(port)
            .arg(LinkMac(ns))
            .toUtf8();
    }
};

}  // namespace

TEST_F(HelperAdvertising, ThroughTheDaemonAroundATakenNameAfterARestartAndThroughItsOwnEngine) {
    CAvahiDaemon daemon(m_pair->NameA(), m_pair->InterfaceA(), QStringLiteral("deskpc-2"));
    ASSERT_TRUE(daemon.Ok()) << daemon.Log().toStdString();
    CZeroconfAdvertiser other(*m_pair, {"deskpc-2:otherpc:4660"});
    ASSERT_TRUE(other.Ready()) << other.Log().toStdString();
    CHelperProcess helper("pw", {"ip", "netns", "exec", m_pair->NameA()},
                          {"--port", "0", "--host-name", "vm"});
    ASSERT_TRUE(helper.WaitForLog("through avahi-daemon\n")) << helper.Log().toStdString();
    EXPECT_TRUE(helper.Log().contains("service name deskpc-2 is taken, now deskpc-2 #2"));
    const QByteArray found =
        Found("deskpc-2 #2", "deskpc-2", m_pair->NameA(), m_pair->AddressA(), helper.Port());
    EXPECT_TRUE(Browse(m_pair->NameB(), m_pair->AddressB()).contains(found));
    EXPECT_FALSE(HoldsMdnsSocket(m_pair->NameA(), helper.Pid())) << "one mDNS stack per host";

    daemon.Kill();
    ASSERT_TRUE(daemon.Start()) << daemon.Log().toStdString();
    ASSERT_TRUE(helper.WaitForLog("through avahi-daemon\n", 2)) << helper.Log().toStdString();
    EXPECT_TRUE(Browse(m_pair->NameB(), m_pair->AddressB()).contains(found));

    const QString interface = m_pair->InterfaceB();
    CHelperProcess embedded(
        "pw", {"ip", "netns", "exec", m_pair->NameB()},
        {"--port", "0", "--mdns", "embedded", "--host-name", "deskpc-2", "--interface", interface});
    ASSERT_TRUE(embedded.WaitForLog("advertising")) << embedded.Log().toStdString();
    EXPECT_TRUE(embedded.Log().contains("host name deskpc-2 is taken, now deskpc-3"));
    EXPECT_TRUE(embedded.Log().contains(interface.toUtf8() + ": Wake-on-LAN is "));
    EXPECT_TRUE(Browse(m_pair->NameA(), m_pair->AddressA())
                    .contains(Found("deskpc-3", "deskpc-3", m_pair->NameB(), m_pair->AddressB(),
                                    embedded.Port())));
}
