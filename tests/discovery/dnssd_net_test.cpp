#include "platform/dnssd.h"

#include "common/zeroconf_advertiser.h"
#include "net_fixture.h"

#include <arpa/inet.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

using namespace platform;

namespace {

struct CReply {
    CReply(DNSServiceFlags flags, DNSServiceErrorType error) : flags(flags), error(error) {}

    DNSServiceFlags flags;
    DNSServiceErrorType error;
    std::string first;   // service name / full name
    std::string second;  // reg type / host target
    std::string third;   // reply domain
    uint16_t port = 0;
    uint16_t type = 0;
    uint16_t klass = 0;
    std::string data;
};

// Follows a browse through resolve and address query from inside the callbacks, as discovery
// does, and keeps what each reply said.
struct CFollower {
    explicit CFollower(CDnsSdEngine* engine) : engine(engine) {}

    CDnsSdEngine* engine;
    std::mutex mutex;
    std::vector<CReply> browses, resolves, queries;
    DNSServiceRef resolve = nullptr;
    DNSServiceRef query = nullptr;

    template <typename T>
    std::optional<T> Last(const std::vector<T>& replies) {
        std::lock_guard lock(mutex);
        if (replies.empty()) return std::nullopt;
        return replies.back();
    }
};

void OnBrowse(DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex,
              DNSServiceErrorType error, const char* name, const char* type, const char* domain,
              void* context) {
    auto* follower = static_cast<CFollower*>(context);
    std::lock_guard lock(follower->mutex);
    CReply& reply = follower->browses.emplace_back(flags, error);
    reply.first = name;
    reply.second = type;
    reply.third = domain;
    if ((flags & kDNSServiceFlagsAdd) && !follower->resolve)
        follower->engine->DNSServiceResolve(
            &follower->resolve, kDNSServiceFlagsForceMulticast, interfaceIndex, name, type, domain,
            [](DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex,
               DNSServiceErrorType error, const char* fullName, const char* host, uint16_t port,
               uint16_t, const unsigned char*, void* context) {
                auto* follower = static_cast<CFollower*>(context);
                std::lock_guard lock(follower->mutex);
                CReply& reply = follower->resolves.emplace_back(flags, error);
                reply.first = fullName;
                reply.second = host;
                reply.port = port;
                if (error || follower->query) return;
                follower->engine->DNSServiceQueryRecord(
                    &follower->query, kDNSServiceFlagsLongLivedQuery, interfaceIndex, host,
                    kDNSServiceType_A, kDNSServiceClass_IN,
                    [](DNSServiceRef, DNSServiceFlags flags, uint32_t, DNSServiceErrorType error,
                       const char* fullName, uint16_t type, uint16_t klass, uint16_t length,
                       const void* data, uint32_t, void* context) {
                        auto* follower = static_cast<CFollower*>(context);
                        std::lock_guard lock(follower->mutex);
                        CReply& reply = follower->queries.emplace_back(flags, error);
                        reply.first = fullName;
                        reply.type = type;
                        reply.klass = klass;
                        reply.data.assign(static_cast<const char*>(data), length);
                    },
                    follower);
            },
            follower);
}

}  // namespace

using DnsSd = NetTest;

TEST_F(DnsSd, RepliesFollowDnsSdConventionsFromBrowseToAddress) {
    CZeroconfAdvertiser helper(*m_pair, {"Desk PC:deskpc:4660"});
    ASSERT_TRUE(helper.Ready()) << helper.Output().toStdString();
    CDnsSdEngine engine;
    ASSERT_TRUE(engine.Start());
    CFollower follower(&engine);
    DNSServiceRef browse = nullptr;
    ASSERT_EQ(
        engine.DNSServiceBrowse(&browse, 0, 0, "_vh-dormo._tcp.", "local.", OnBrowse, &follower),
        kDNSServiceErr_NoError);
    ASSERT_NE(browse, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return follower.Last(follower.queries).has_value(); }));

    const CReply found = *follower.Last(follower.browses);
    EXPECT_EQ(found.flags, kDNSServiceFlagsAdd);
    EXPECT_EQ(found.error, kDNSServiceErr_NoError);
    EXPECT_EQ(found.first, "Desk PC");
    EXPECT_EQ(found.second, "_vh-dormo._tcp.");
    EXPECT_EQ(found.third, "local.");

    const CReply resolved = *follower.Last(follower.resolves);
    EXPECT_EQ(resolved.error, kDNSServiceErr_NoError);
    EXPECT_EQ(resolved.first, "Desk\\032PC._vh-dormo._tcp.local.");
    EXPECT_EQ(resolved.second, "deskpc.local.");
    unsigned char port[2];
    std::memcpy(port, &resolved.port, 2);
    EXPECT_EQ(port[0], 0x12);
    EXPECT_EQ(port[1], 0x34);

    const CReply address = *follower.Last(follower.queries);
    EXPECT_EQ(address.flags, kDNSServiceFlagsAdd);
    EXPECT_EQ(address.first, "deskpc.local.");
    EXPECT_EQ(address.type, kDNSServiceType_A);
    EXPECT_EQ(address.klass, kDNSServiceClass_IN);
    in_addr expected{};
    inet_aton(m_pair->AddressA().toLatin1().constData(), &expected);
    EXPECT_EQ(address.data, std::string(reinterpret_cast<const char*>(&expected), 4));

    EXPECT_EQ(engine.LiveOperations(), 3u);
    engine.DNSServiceRefDeallocate(follower.resolve);
    engine.DNSServiceRefDeallocate(follower.query);
    EXPECT_EQ(engine.LiveOperations(), 1u);

    ASSERT_TRUE(helper.Withdraw(QStringLiteral("Desk PC")));
    ASSERT_TRUE(WaitUntil([&] { return follower.Last(follower.browses)->flags == 0; }));
    EXPECT_EQ(follower.Last(follower.browses)->first, "Desk PC");
    engine.DNSServiceRefDeallocate(browse);
    EXPECT_EQ(engine.LiveOperations(), 0u);
}

TEST_F(DnsSd, SharesTheMdnsPortWithAnotherResponder) {
    CZeroconfAdvertiser helper(*m_pair, {"deskpc:deskpc:4660"});
    ASSERT_TRUE(helper.Ready()) << helper.Output().toStdString();
    CDnsSdEngine first, second;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start()) << "a second responder on the machine must not stop ours";
    CFollower follower(&second);
    DNSServiceRef browse = nullptr;
    second.DNSServiceBrowse(&browse, 0, 0, "_vh-dormo._tcp.", "local.", OnBrowse, &follower);
    EXPECT_TRUE(WaitUntil([&] { return follower.Last(follower.queries).has_value(); }));
}

TEST_F(DnsSd, ClosedEngineRefusesCallsAndReleasesEverything) {
    CDnsSdEngine engine;
    ASSERT_TRUE(engine.Start());
    CFollower follower(&engine);
    DNSServiceRef browse = nullptr;
    engine.DNSServiceBrowse(&browse, 0, 0, "_vh-dormo._tcp.", "local.", OnBrowse, &follower);
    engine.Close();
    EXPECT_EQ(engine.LiveOperations(), 0u);
    engine.DNSServiceRefDeallocate(browse);
    DNSServiceRef again = nullptr;
    EXPECT_EQ(
        engine.DNSServiceBrowse(&again, 0, 0, "_vh-dormo._tcp.", "local.", OnBrowse, &follower),
        kDNSServiceErr_ServiceNotRunning);
    EXPECT_EQ(again, nullptr);
    engine.Close();
}

TEST_F(DnsSd, ResolveOfAServiceThatIsGoneGivesUpOnceSoItCanBeReleased) {
    CDnsSdEngine engine;
    ASSERT_TRUE(engine.Start());
    struct CGaveUp {
        std::atomic<int> replies = 0;
        std::atomic<DNSServiceErrorType> error = 0;
    } gaveUp;
    DNSServiceRef resolve = nullptr;
    ASSERT_EQ(
        engine.DNSServiceResolve(
            &resolve, kDNSServiceFlagsForceMulticast, 0, "nobody", "_vh-dormo._tcp.", "local.",
            [](DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error, const char*,
               const char*, uint16_t, uint16_t, const unsigned char*, void* context) {
                auto* gaveUp = static_cast<CGaveUp*>(context);
                gaveUp->error = error;
                ++gaveUp->replies;
            },
            &gaveUp),
        kDNSServiceErr_NoError);
    ASSERT_TRUE(WaitUntil([&] { return gaveUp.replies > 0; }));
    EXPECT_EQ(gaveUp.error, kDNSServiceErr_Timeout);
    engine.DNSServiceRefDeallocate(resolve);
    EXPECT_EQ(engine.LiveOperations(), 0u);
}
