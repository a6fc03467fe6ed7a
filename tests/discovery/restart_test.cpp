#include "discovery/discovery.h"

#include "app/app.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

using namespace platform;

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
    // Discovery never gets as far as a resolve or a query here.
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

    bool m_startSucceeds = true;
    bool m_browseSucceeds = true;
    bool m_up = false;
    int m_browses = 0;
    std::set<DNSServiceRef> m_released;
};

class Restart : public ::testing::Test {
protected:
    void SetUp() override { m_previous = std::exchange(g_app.m_dnsSd, &m_engine); }
    void TearDown() override {
        CloseDiscovery();
        g_app.m_dnsSd = m_previous;
    }

    CRecordingEngine m_engine;
    CDnsSdEngine* m_previous = nullptr;
};

}  // namespace

TEST_F(Restart, EngineThatIsNotRunningIsNeverCalled) {
    m_engine.m_startSucceeds = false;
    EXPECT_FALSE(StartDiscovery());
    RestartBrowse();
    EXPECT_EQ(m_engine.m_browses, 0);
    m_engine.m_startSucceeds = true;
    ASSERT_TRUE(StartDiscovery());
    CloseDiscovery();
    EXPECT_EQ(g_app.m_browseRef, nullptr);
    RestartBrowse();
    EXPECT_EQ(m_engine.m_browses, 1);
    EXPECT_TRUE(m_engine.m_released.empty());
}

TEST_F(Restart, EachBrowseIsReleasedOnceEvenAfterABrowseFailedToStart) {
    ASSERT_TRUE(StartDiscovery());
    RestartBrowse();
    m_engine.m_browseSucceeds = false;
    RestartBrowse();
    RestartBrowse();
    m_engine.m_browseSucceeds = true;
    RestartBrowse();
    EXPECT_EQ(m_engine.m_browses, 5);
    const auto ref = [](uintptr_t n) { return reinterpret_cast<DNSServiceRef>(n); };
    EXPECT_EQ(m_engine.m_released, (std::set<DNSServiceRef>{ref(1), ref(2)}));
    EXPECT_EQ(g_app.m_browseRef, ref(5));
}
