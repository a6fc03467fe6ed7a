#pragma once

#include "platform/dnssd.h"

#include <atomic>
#include <set>

struct AvahiServer;
struct AvahiThreadedPoll;

namespace platform {

// The mDNS engine inside the process (avahi-core on its threaded poll), for machines without an
// avahi-daemon. It shares the mDNS port with any other responder on the machine.
class CEmbeddedDnsSd : public CDnsSdEngine {
public:
    // Record cache entries per interface, as the engine was always given.
    static constexpr unsigned kCacheEntries = 4096;

    CEmbeddedDnsSd() = default;
    ~CEmbeddedDnsSd() override;

    bool Start() override;
    void Close() override;
    bool IsRunning() const override;
    size_t LiveOperations() const override;

    DNSServiceErrorType DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags flags,
                                         uint32_t interfaceIndex, const char* regType,
                                         const char* domain, DNSServiceBrowseReply callback,
                                         void* context) override;
    DNSServiceErrorType DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                          uint32_t interfaceIndex, const char* name,
                                          const char* regType, const char* domain,
                                          DNSServiceResolveReply callback, void* context) override;
    DNSServiceErrorType DNSServiceQueryRecord(DNSServiceRef* ref, DNSServiceFlags flags,
                                              uint32_t interfaceIndex, const char* fullName,
                                              uint16_t rrType, uint16_t rrClass,
                                              DNSServiceQueryRecordReply callback,
                                              void* context) override;
    void DNSServiceRefDeallocate(DNSServiceRef ref) override;

private:
    struct COperation;

    DNSServiceErrorType Adopt(DNSServiceRef* ref, COperation* operation, bool started);
    static void Free(COperation* operation);

    AvahiThreadedPoll* m_poll = nullptr;
    AvahiServer* m_server = nullptr;
    std::atomic<bool> m_running = false;
    bool m_pollStarted = false;
    std::set<DNSServiceRef> m_operations;  // guarded by the engine lock
};

}  // namespace platform
