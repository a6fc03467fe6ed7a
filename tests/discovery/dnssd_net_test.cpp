#include "platform/dnssd_embedded.h"

#include "common/avahi_daemon.h"
#include "common/net_test.h"
#include "common/zeroconf_advertiser.h"
#include "platform/dnssd_daemon.h"

#include <QByteArray>

#include <memory>
#include <mutex>
#include <string>

using namespace platform;

namespace {

// The engine's latest browse and resolve replies, each as one line of text.
struct CReplies {
    std::mutex mutex;
    std::string browse, resolve;

    std::string Browse() {
        std::lock_guard lock(mutex);
        return browse;
    }
    std::string Resolve() {
        std::lock_guard lock(mutex);
        return resolve;
    }
};

void OnBrowse(DNSServiceRef, DNSServiceFlags flags, uint32_t, DNSServiceErrorType error,
              const char* name, const char* type, const char* domain, void* context) {
    auto* replies = static_cast<CReplies*>(context);
    std::lock_guard lock(replies->mutex);
    replies->browse = std::to_string(flags) + ' ' + std::to_string(error) + ' ' + name + '|' +
                      type + '|' + domain;
}

void OnResolve(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error,
               const char* fullName, const char* host, uint16_t port, uint16_t txtLength,
               const unsigned char* txt, void* context) {
    auto* replies = static_cast<CReplies*>(context);
    std::lock_guard lock(replies->mutex);
    // A resolve that gave up may name nothing.
    replies->resolve =
        std::to_string(error) + ' ' + (fullName ? fullName : "") + ' ' + (host ? host : "") + ' ' +
        QByteArray(reinterpret_cast<const char*>(&port), 2).toHex().toStdString() + " txt " +
        QByteArray(reinterpret_cast<const char*>(txt), txtLength).toHex().toStdString();
}

DNSServiceErrorType Browse(CDnsSdEngine& engine, DNSServiceRef* ref, CReplies* replies) {
    return engine.DNSServiceBrowse(ref, 0, 0, "_vh-dormo._tcp.", "local.", OnBrowse, replies);
}

DNSServiceErrorType Resolve(CDnsSdEngine& engine, DNSServiceRef* ref, const char* name,
                            CReplies* replies) {
    return engine.DNSServiceResolve(ref, kDNSServiceFlagsForceMulticast, 0, name, "_vh-dormo._tcp.",
                                    "local.", OnResolve, replies);
}

}  // namespace

using DnsSd = NetTest;

// Each engine in side B: the embedded one, and the daemon's with a real avahi-daemon there.
class BothEngines : public NetTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        NetTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (std::string(GetParam()) == "embedded") {
            m_engine = std::make_unique<CEmbeddedDnsSd>();
            return;
        }
        m_daemon = std::make_unique<CAvahiDaemon>(m_pair->NameB(), m_pair->InterfaceB(),
                                                  QStringLiteral("handheld"));
        ASSERT_TRUE(m_daemon->Ok()) << m_daemon->Log().toStdString();
        m_engine = std::make_unique<CDaemonDnsSd>();
    }
    void TearDown() override {
        m_engine.reset();
        m_daemon.reset();
        NetTest::TearDown();
    }

    std::unique_ptr<CAvahiDaemon> m_daemon;
    std::unique_ptr<CDnsSdEngine> m_engine;
};

INSTANTIATE_TEST_SUITE_P(Engines, BothEngines, ::testing::Values("embedded", "daemon"));

// Names come escaped and end in a dot, ports in network byte order, TXT in its wire form, flags
// Add or 0, whichever engine runs.
TEST_P(BothEngines, RepliesFollowDnsSdConventionsFromBrowseToWithdrawal) {
    CZeroconfAdvertiser helper(*m_pair, {"Desk PC:deskpc:4660"});
    ASSERT_TRUE(helper.Ready()) << helper.Output().toStdString();
    CDnsSdEngine& engine = *m_engine;
    ASSERT_TRUE(engine.Start());
    CReplies replies;
    DNSServiceRef browse = nullptr, resolve = nullptr;
    ASSERT_EQ(Browse(engine, &browse, &replies), kDNSServiceErr_NoError);
    ASSERT_TRUE(WaitUntil([&] { return !replies.Browse().empty(); }));
    EXPECT_EQ(replies.Browse(), "2 0 Desk PC|_vh-dormo._tcp.|local.");
    ASSERT_EQ(Resolve(engine, &resolve, "Desk PC", &replies), kDNSServiceErr_NoError);
    ASSERT_TRUE(WaitUntil([&] { return !replies.Resolve().empty(); }));
    EXPECT_EQ(replies.Resolve(), "0 Desk\\032PC._vh-dormo._tcp.local. deskpc.local. 1234 txt 00");

    EXPECT_EQ(engine.LiveOperations(), 2u);
    engine.DNSServiceRefDeallocate(resolve);
    EXPECT_EQ(engine.LiveOperations(), 1u);
    ASSERT_TRUE(helper.Withdraw(QStringLiteral("Desk PC")));
    ASSERT_TRUE(WaitUntil([&] { return replies.Browse().starts_with("0 "); }));
    EXPECT_EQ(replies.Browse(), "0 0 Desk PC|_vh-dormo._tcp.|local.");
    engine.DNSServiceRefDeallocate(browse);
    EXPECT_EQ(engine.LiveOperations(), 0u);
}

TEST_F(DnsSd, SharesTheMdnsPortWithAnotherResponder) {
    CZeroconfAdvertiser helper(*m_pair, {"deskpc:deskpc:4660"});
    ASSERT_TRUE(helper.Ready()) << helper.Output().toStdString();
    CEmbeddedDnsSd first, second;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start()) << "a second responder on the machine must not stop ours";
    CReplies replies;
    DNSServiceRef browse = nullptr;
    Browse(second, &browse, &replies);
    EXPECT_TRUE(WaitUntil([&] { return !replies.Browse().empty(); }));
}

TEST_F(DnsSd, ClosedEngineReleasesEverythingAndRefusesCalls) {
    CEmbeddedDnsSd engine;
    ASSERT_TRUE(engine.Start());
    CReplies replies;
    DNSServiceRef browse = nullptr;
    Browse(engine, &browse, &replies);
    engine.Close();
    EXPECT_EQ(engine.LiveOperations(), 0u);
    engine.DNSServiceRefDeallocate(browse);
    DNSServiceRef again = nullptr;
    EXPECT_EQ(Browse(engine, &again, &replies), kDNSServiceErr_ServiceNotRunning);
    EXPECT_EQ(again, nullptr);
}

TEST_P(BothEngines, ResolveOfAServiceThatIsGoneGivesUpSoItCanBeReleased) {
    CDnsSdEngine& engine = *m_engine;
    ASSERT_TRUE(engine.Start());
    CReplies replies;
    DNSServiceRef resolve = nullptr;
    ASSERT_EQ(Resolve(engine, &resolve, "nobody", &replies), kDNSServiceErr_NoError);
    ASSERT_TRUE(WaitUntil([&] { return !replies.Resolve().empty(); }));
    EXPECT_TRUE(replies.Resolve().starts_with(std::to_string(kDNSServiceErr_Timeout)));
    engine.DNSServiceRefDeallocate(resolve);
    EXPECT_EQ(engine.LiveOperations(), 0u);
}
