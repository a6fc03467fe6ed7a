// Discovery and wake-ups from side B, beside avahi-daemon when a case starts one; side A
// advertises.
#include "discovery/discovery.h"

#include "app/app.h"
#include "app/settings.h"
#include "common/avahi_daemon.h"
#include "common/net_test.h"
#include "common/temp_config.h"
#include "common/wake_listener.h"
#include "common/zeroconf_advertiser.h"
#include "discovery/browse_restart_thread.h"
#include "connection/wake.h"
#include "discovery/computer_list_model.h"
#include "discovery/remember.h"
#include "platform/dnssd_choice.h"
#include "platform/dnssd_daemon.h"
#include "platform/dnssd_embedded.h"
#include "platform/registry.h"
#include "platform/tcp_socket.h"
#include "platform/wake_on_lan.h"

#include <QByteArray>

#include <arpa/inet.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>

using namespace platform;

namespace {

const MacAddress kMac{0x52, 0x54, 0x00, 0xab, 0xcd, 0xef};

class DiscoveryNet : public NetTest {
protected:
    void TearDown() override {
        if (m_listing) {
            StopBrowseRestartThread();
            CloseDiscovery();
            g_app.m_dnsSd = m_previousEngine;
            g_app.m_listModel = nullptr;
            g_app.m_computers.clear();
        }
        m_daemon.reset();
        m_peer.reset();
        NetTest::TearDown();
    }

    void StartDaemon() {
        m_daemon = std::make_unique<CAvahiDaemon>(m_pair->NameB(), m_pair->InterfaceB(),
                                                  QStringLiteral("handheld"));
        ASSERT_TRUE(m_daemon->Ok()) << m_daemon->Log().toStdString();
    }
    void Advertise(const QStringList& services) {
        m_peer = std::make_unique<CZeroconfAdvertiser>(*m_pair, services);
        ASSERT_TRUE(m_peer->Ready()) << m_peer->Log().toStdString();
    }
    void Prefer(const QString& engine) {
        CRegKey key;
        ASSERT_EQ(g_app.m_registry->CreateKey(kProductKey, &key), ERROR_SUCCESS);
        key.SetString(QStringLiteral("MdnsEngine"), engine);
    }
    // Runs discovery into g_app's list on the chosen engine.
    void List() {
        m_previousEngine = std::exchange(g_app.m_dnsSd, &m_chosen);
        g_app.m_listModel = &m_rows;
        g_app.m_computers.clear();
        m_listing = true;
        ASSERT_TRUE(StartDiscovery());
        StartBrowseRestartThread();
    }
    bool Listed(const QString& name, bool listed = true) {
        return Eventually([&] { return (m_rows.FindRow(name) >= 0) == listed; }, 30000);
    }
    CListEntry& Opened(const QString& name) {
        return g_app.m_computers.at(size_t(m_rows.Entry(m_rows.FindRow(name))));
    }
    bool HoldsMdnsSocket() const {
        return ::HoldsMdnsSocket(m_pair->NameB(), QCoreApplication::applicationPid());
    }

    CTempConfig m_config;
    CChosenDnsSd m_chosen{[] { return MdnsEngineSetting(g_app); }};
    CDnsSdEngine* m_previousEngine = nullptr;
    bool m_listing = false;
    CComputerListModel m_rows;
    std::unique_ptr<CZeroconfAdvertiser> m_peer;
    std::unique_ptr<CAvahiDaemon> m_daemon;
};

}  // namespace

TEST_F(DiscoveryNet, WithoutABusTheEmbeddedEngineListsStaysBoundedAndDropsAWithdrawnComputer) {
    const QString longHost = QStringLiteral("lab.") + QString(60, u'w');
    Advertise({"Dormo on deskpc:deskpc:4660", "lab:" + longHost + ":4661"});
    List();
    EXPECT_FALSE(m_chosen.UsesDaemon());
    for (const QString& host : {QStringLiteral("deskpc"), longHost}) {
        ASSERT_TRUE(Listed(host)) << host.toStdString();
        EXPECT_EQ(Opened(host).m_hostName, host.toStdString());
    }
    EXPECT_EQ(Opened(longHost).m_port, htons(4661));
    EXPECT_TRUE(HoldsMdnsSocket()) << "the embedded engine listens itself";

    // Two restart cycles on: one browse plus one resolve and one query per computer at most.
    CListEntry& lab = Opened(longHost);
    const uint32_t seen = lab.m_lastSeen;
    ASSERT_TRUE(Eventually([&] { return lab.m_lastSeen - seen > 4000; }));
    EXPECT_LE(m_chosen.LiveOperations(), 5u);

    ASSERT_TRUE(m_peer->Withdraw(QStringLiteral("lab")));
    ASSERT_TRUE(Listed(longHost, false));
    EXPECT_TRUE(Listed("deskpc")) << "the computer still advertising keeps its row";
}

TEST_F(DiscoveryNet, DaemonOnTheBusIsUsedAndRecoversAfterARestartUnlessEmbeddedIsPreferred) {
    Advertise({"deskpc:deskpc:4660"});
    StartDaemon();
    List();
    EXPECT_TRUE(m_chosen.UsesDaemon());
    ASSERT_TRUE(Listed("deskpc"));
    EXPECT_FALSE(HoldsMdnsSocket()) << "one mDNS stack per host: the daemon's";

    m_daemon->Kill();
    ASSERT_TRUE(Listed("deskpc", false)) << "with the daemon gone nothing is heard";
    ASSERT_TRUE(m_daemon->Start()) << m_daemon->Log().toStdString();
    ASSERT_TRUE(Listed("deskpc")) << "listed again once the daemon is back";
    // The lost daemon's lookups are neither kept nor released twice.
    EXPECT_LE(m_chosen.LiveOperations(), 3u);

    Prefer(QStringLiteral("embedded"));
    StopBrowseRestartThread();
    CloseDiscovery();
    ASSERT_TRUE(StartDiscovery());
    EXPECT_FALSE(m_chosen.UsesDaemon());
    EXPECT_TRUE(HoldsMdnsSocket());
    // TearDown then closes the engine while the daemon is away.
    m_daemon->Kill();
}

namespace {

// The engine's latest browse and resolve replies, each as one line of text.
struct CReplies {
    std::mutex mutex;
    std::string browse, resolve;

    std::string Get(const std::string& reply) {
        std::lock_guard lock(mutex);
        return reply;
    }
};

DNSServiceErrorType Browse(CDnsSdEngine& engine, DNSServiceRef* ref, CReplies* replies) {
    return engine.DNSServiceBrowse(
        ref, 0, 0, "_vh-dormo._tcp.", "local.",
        [](DNSServiceRef, DNSServiceFlags flags, uint32_t, DNSServiceErrorType error,
           const char* name, const char* type, const char* domain, void* context) {
            auto* replies = static_cast<CReplies*>(context);
            std::lock_guard lock(replies->mutex);
            replies->browse = std::to_string(flags) + ' ' + std::to_string(error) + ' ' + name +
                              '|' + type + '|' + domain;
        },
        replies);
}

DNSServiceErrorType Resolve(CDnsSdEngine& engine, DNSServiceRef* ref, const char* name,
                            CReplies* replies) {
    return engine.DNSServiceResolve(
        ref, kDNSServiceFlagsForceMulticast, 0, name, "_vh-dormo._tcp.", "local.",
        [](DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error,
           const char* fullName, const char* host, uint16_t port, uint16_t txtLength,
           const unsigned char* txt, void* context) {
            auto* replies = static_cast<CReplies*>(context);
            std::lock_guard lock(replies->mutex);
            // A resolve that gave up may name nothing.
            replies->resolve =
                std::to_string(error) + ' ' + (fullName ? fullName : "") + ' ' +
                (host ? host : "") + ' ' +
                QByteArray(reinterpret_cast<const char*>(&port), 2).toHex().toStdString() +
                " txt " +
                QByteArray(reinterpret_cast<const char*>(txt), txtLength).toHex().toStdString();
        },
        replies);
}

// The embedded engine, and the daemon's beside a real avahi-daemon.
class Engine : public DiscoveryNet, public ::testing::WithParamInterface<bool> {};

INSTANTIATE_TEST_SUITE_P(EmbeddedAndDaemon, Engine, ::testing::Bool());

}  // namespace

// DNS-SD's conventions for names, ports, TXT and flags whichever engine runs; a resolve of a
// service that is gone gives up; once closed, everything is released and calls are refused.
TEST_P(Engine, RepliesFollowDnsSdConventionsFromBrowseToWithdrawalAndClose) {
    if (GetParam()) StartDaemon();
    Advertise({"Desk PC:deskpc:4660"});
    CEmbeddedDnsSd other, embedded;
    CDaemonDnsSd daemon;
    CDnsSdEngine& engine = GetParam() ? static_cast<CDnsSdEngine&>(daemon) : embedded;
    ASSERT_TRUE(other.Start());
    ASSERT_TRUE(engine.Start()) << "another responder on the machine must not stop ours";
    CReplies replies;
    DNSServiceRef browse = nullptr, resolve = nullptr;
    ASSERT_EQ(Browse(engine, &browse, &replies), kDNSServiceErr_NoError);
    ASSERT_TRUE(Eventually([&] { return !replies.Get(replies.browse).empty(); }));
    EXPECT_EQ(replies.Get(replies.browse), "2 0 Desk PC|_vh-dormo._tcp.|local.");
    ASSERT_EQ(Resolve(engine, &resolve, "Desk PC", &replies), kDNSServiceErr_NoError);
    ASSERT_TRUE(Eventually([&] { return !replies.Get(replies.resolve).empty(); }));
    EXPECT_EQ(replies.Get(replies.resolve),
              "0 Desk\\032PC._vh-dormo._tcp.local. deskpc.local. 1234 txt 00");

    EXPECT_EQ(engine.LiveOperations(), 2u);
    engine.DNSServiceRefDeallocate(resolve);
    EXPECT_EQ(engine.LiveOperations(), 1u);
    ASSERT_TRUE(m_peer->Withdraw(QStringLiteral("Desk PC")));
    ASSERT_TRUE(Eventually([&] { return replies.Get(replies.browse).starts_with("0 "); }));
    EXPECT_EQ(replies.Get(replies.browse), "0 0 Desk PC|_vh-dormo._tcp.|local.");
    engine.DNSServiceRefDeallocate(browse);
    EXPECT_EQ(engine.LiveOperations(), 0u);

    replies.resolve.clear();
    ASSERT_EQ(Resolve(engine, &resolve, "nobody", &replies), kDNSServiceErr_NoError);
    ASSERT_TRUE(Eventually([&] { return !replies.Get(replies.resolve).empty(); }));
    EXPECT_TRUE(replies.Get(replies.resolve).starts_with(std::to_string(kDNSServiceErr_Timeout)));
    engine.DNSServiceRefDeallocate(resolve);
    EXPECT_EQ(engine.LiveOperations(), 0u);

    ASSERT_EQ(Browse(engine, &browse, &replies), kDNSServiceErr_NoError);
    engine.Close();
    EXPECT_EQ(engine.LiveOperations(), 0u);
    engine.DNSServiceRefDeallocate(browse);
    browse = nullptr;
    EXPECT_EQ(Browse(engine, &browse, &replies), kDNSServiceErr_ServiceNotRunning);
    EXPECT_EQ(browse, nullptr);
}

TEST_F(DiscoveryNet, WakePacketGoesToTheBroadcastsAndTheLastAddressOnlyOverALinkUp) {
    const QString subnet = m_pair->AddressA().section(u'.', 0, 2);
    CWakeListener listener(m_pair->NameA());
    ASSERT_TRUE(listener.Ok());
    ASSERT_EQ(SendWakePacket(MagicPacket(kMac), m_pair->AddressA().toStdString()),
              WakeSendResult::Sent);
    QStringList targets;
    for (const auto& datagram : listener.Receive(3))
        targets << datagram.destinationAddress().toString();
    targets.sort();
    EXPECT_EQ(targets, QStringList({m_pair->AddressA(), subnet + ".255", "255.255.255.255"}));

    // No route leads to a documentation address; then the one link goes down.
    EXPECT_EQ(SendWakePacket(MagicPacket(kMac), "192.0.2.1"), WakeSendResult::NoInterface);
    ASSERT_TRUE(Ip({"-n", m_pair->NameB(), "link", "set", m_pair->InterfaceB(), "down"}));
    EXPECT_EQ(SendWakePacket(MagicPacket(kMac), m_pair->AddressA().toStdString()),
              WakeSendResult::NoInterface);
}

TEST_F(DiscoveryNet, WakeMacComesFromTheAdvertisementElseFromTheNeighbourTable) {
    const auto link = ParseMac(LinkMac(m_pair->NameA()));
    ASSERT_TRUE(link);
    // A refused connection is enough for the kernel to learn the neighbour.
    CloseSocket(ConnectTcp(m_pair->AddressA().toStdString(), htons(1), std::chrono::seconds(5),
                           std::chrono::seconds(5)));
    const MacAddress advertised{0x02, 0x00, 0x00, 0x00, 0x00, 0x42};
    const QString subnet = m_pair->AddressA().section(u'.', 0, 2);
    const std::string unknown = (subnet + ".99").toStdString();
    // An entry without a usable hardware address, as links without ARP have, tells nothing.
    const QString zero = subnet + ".98";
    ASSERT_TRUE(Ip({"-n", m_pair->NameB(), "neigh", "add", zero, "lladdr", "00:00:00:00:00:00",
                    "nud", "permanent", "dev", m_pair->InterfaceB()}));
    const struct {
        std::vector<MacAddress> advertised;
        std::string address;
        std::optional<MacAddress> learnt;
    } cases[] = {
        {{}, m_pair->AddressA().toStdString(), link},
        {{advertised}, m_pair->AddressA().toStdString(), advertised},
        {{advertised, *link}, m_pair->AddressA().toStdString(), link},
        {{advertised}, unknown, advertised},
        {{}, unknown, std::nullopt},
        {{}, zero.toStdString(), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LearnMac(c.advertised, c.address), c.learnt)
            << c.address << " with " << c.advertised.size() << " advertised";
}
