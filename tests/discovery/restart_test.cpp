#include "discovery/discovery.h"

#include "app/app.h"
#include "discovery/browse_restart_thread.h"

#include "common/eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <thread>
#include <utility>

using namespace platform;
using namespace std::chrono_literals;

namespace {

// Records the browses and releases discovery asks of its engine; nothing goes on the network.
class CRecordingEngine : public CDnsSdEngine {
public:
    bool Start() override { return m_up = m_startSucceeds; }
    void Close() override { m_up = false; }
    bool IsRunning() const override { return m_up; }
    size_t LiveOperations() const override { return 0; }
    DNSServiceErrorType DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags, uint32_t, const char*,
                                         const char*, DNSServiceBrowseReply, void*) override {
        EXPECT_TRUE(m_up) << "browse on an engine that is not running";
        ++m_browses;
        *ref = m_browseSucceeds ? reinterpret_cast<DNSServiceRef>(uintptr_t(m_browses)) : nullptr;
        return m_browseSucceeds ? kDNSServiceErr_NoError : kDNSServiceErr_Unknown;
    }
    DNSServiceErrorType DNSServiceResolve(DNSServiceRef*, DNSServiceFlags, uint32_t, const char*,
                                          const char*, const char*, DNSServiceResolveReply,
                                          void*) override {
        return kDNSServiceErr_Unknown;
    }
    DNSServiceErrorType DNSServiceQueryRecord(DNSServiceRef*, DNSServiceFlags, uint32_t,
                                              const char*, uint16_t, uint16_t,
                                              DNSServiceQueryRecordReply, void*) override {
        return kDNSServiceErr_Unknown;
    }
    void DNSServiceRefDeallocate(DNSServiceRef ref) override {
        EXPECT_TRUE(m_up) << "release on an engine that is not running";
        EXPECT_TRUE(m_released.insert(ref).second) << "released twice";
    }

    bool m_startSucceeds = false;
    bool m_browseSucceeds = true;
    bool m_up = false;
    int m_browses = 0;
    std::set<DNSServiceRef> m_released;
};

}  // namespace

TEST(Restart, NoCallOnAStoppedEngineAndEachBrowseReleasedOnceEvenAfterOneFailedToStart) {
    CRecordingEngine engine;
    CDnsSdEngine* const previous = std::exchange(g_app.m_dnsSd, &engine);
    const auto ref = [](uintptr_t n) { return reinterpret_cast<DNSServiceRef>(n); };
    EXPECT_FALSE(StartDiscovery());
    RestartBrowse();
    EXPECT_EQ(engine.m_browses, 0);
    engine.m_startSucceeds = true;
    EXPECT_TRUE(StartDiscovery());
    CloseDiscovery();
    EXPECT_EQ(g_app.m_browseRef, nullptr);
    RestartBrowse();
    EXPECT_EQ(engine.m_browses, 1);
    EXPECT_TRUE(engine.m_released.empty());

    EXPECT_TRUE(StartDiscovery());
    RestartBrowse();
    engine.m_browseSucceeds = false;
    RestartBrowse();
    RestartBrowse();
    engine.m_browseSucceeds = true;
    RestartBrowse();
    EXPECT_EQ(engine.m_browses, 6);
    EXPECT_EQ(engine.m_released, (std::set<DNSServiceRef>{ref(2), ref(3)}));
    EXPECT_EQ(g_app.m_browseRef, ref(6));
    CloseDiscovery();
    g_app.m_dnsSd = previous;
}

TEST(BrowseRestartThread, CyclesUntilStoppedAndTheApplicationObjectEndsItFirst) {
    std::atomic<int> cycles = 0;
    CBrowseRestartThread thread([&] { ++cycles; }, 1ms);
    ASSERT_TRUE(Eventually([&] { return cycles >= 3; }));
    thread.Stop();
    const int atStop = cycles;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(cycles, atStop);
    thread.Stop();
    // With an hour's interval, a stop that waited for it would hang the test.
    CBrowseRestartThread idle([&] { ++cycles; }, std::chrono::hours(1));
    idle.Stop();
    EXPECT_EQ(cycles, atStop);

    // A path that skips the orderly shutdown: the object goes with its restart thread running.
    std::atomic<bool> discoveryGone = false, inCycle = false, release = false;
    std::atomic<bool> cycleSawDiscoveryGone = false;
    struct CWatchedDiscovery : CDiscovery {
        explicit CWatchedDiscovery(std::atomic<bool>* gone) : CDiscovery(nullptr), m_gone(gone) {}
        ~CWatchedDiscovery() override { *m_gone = true; }
        std::atomic<bool>* m_gone;
    };
    auto app = std::make_unique<CApp>();
    app->m_dnsSd = nullptr;
    app->m_discovery = std::make_unique<CWatchedDiscovery>(&discoveryGone);
    app->m_restartThread = std::make_unique<CBrowseRestartThread>(
        [&] {
            if (inCycle.exchange(true)) return;
            while (!release) std::this_thread::sleep_for(1ms);
            cycleSawDiscoveryGone = discoveryGone.load();
        },
        1ms);
    ASSERT_TRUE(Eventually([&] { return inCycle.load(); }));
    // The cycle under way finishes only after the destruction has had time to run ahead.
    std::thread releaser([&] {
        std::this_thread::sleep_for(100ms);
        release = true;
    });
    app.reset();
    releaser.join();
    EXPECT_FALSE(cycleSawDiscoveryGone);
    EXPECT_TRUE(discoveryGone);
}
