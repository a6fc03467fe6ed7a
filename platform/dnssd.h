#pragma once

#include <cstddef>
#include <cstdint>
#include <atomic>
#include <set>

struct AvahiServer;
struct AvahiThreadedPoll;

namespace platform {

// The DNS-SD client calls over an mDNS engine that runs inside the process (avahi-core on its
// threaded poll). Conventions are DNS-SD's, which discovery relies on: full names and hosts as
// escaped text ending in a dot, ports in network byte order, reply flags kDNSServiceFlagsAdd or 0,
// callbacks on the engine's thread while it holds the engine lock.

struct CDnsSdOperation;
using DNSServiceRef = CDnsSdOperation*;
using DNSServiceFlags = uint32_t;
using DNSServiceErrorType = int32_t;

constexpr DNSServiceFlags kDNSServiceFlagsAdd = 0x2;
constexpr DNSServiceFlags kDNSServiceFlagsLongLivedQuery = 0x100;
constexpr DNSServiceFlags kDNSServiceFlagsForceMulticast = 0x400;
constexpr uint16_t kDNSServiceType_A = 1;
constexpr uint16_t kDNSServiceClass_IN = 1;
constexpr DNSServiceErrorType kDNSServiceErr_NoError = 0;
constexpr DNSServiceErrorType kDNSServiceErr_Unknown = -65537;
constexpr DNSServiceErrorType kDNSServiceErr_BadParam = -65540;
constexpr DNSServiceErrorType kDNSServiceErr_ServiceNotRunning = -65563;
constexpr DNSServiceErrorType kDNSServiceErr_Timeout = -65568;

using DNSServiceBrowseReply = void (*)(DNSServiceRef ref, DNSServiceFlags flags,
                                       uint32_t interfaceIndex, DNSServiceErrorType error,
                                       const char* serviceName, const char* regType,
                                       const char* replyDomain, void* context);
// A resolve that gives up (the engine's time limit) answers once with kDNSServiceErr_Timeout and
// empty names, so its owner can release it.
using DNSServiceResolveReply = void (*)(DNSServiceRef ref, DNSServiceFlags flags,
                                        uint32_t interfaceIndex, DNSServiceErrorType error,
                                        const char* fullName, const char* hostTarget, uint16_t port,
                                        uint16_t txtLength, const unsigned char* txtRecord,
                                        void* context);
using DNSServiceQueryRecordReply = void (*)(DNSServiceRef ref, DNSServiceFlags flags,
                                            uint32_t interfaceIndex, DNSServiceErrorType error,
                                            const char* fullName, uint16_t rrType, uint16_t rrClass,
                                            uint16_t rdLength, const void* rdata, uint32_t ttl,
                                            void* context);

class CDnsSdEngine {
public:
    // Record cache entries per interface, as the engine was always given.
    static constexpr unsigned kCacheEntries = 4096;

    CDnsSdEngine() = default;
    virtual ~CDnsSdEngine();
    CDnsSdEngine(const CDnsSdEngine&) = delete;
    CDnsSdEngine& operator=(const CDnsSdEngine&) = delete;

    // Starts the engine and its thread. It announces nothing of its own and shares the mDNS
    // port with any other responder on the machine. True when running (also when already).
    virtual bool Start();
    // Stops the thread and releases every operation still open; their references die with
    // them. Must not be called from a callback. Safe to call twice.
    virtual void Close();
    virtual bool IsRunning() const;
    // Browses, resolves and queries not yet released.
    size_t LiveOperations() const;

    virtual DNSServiceErrorType DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags flags,
                                                 uint32_t interfaceIndex, const char* regType,
                                                 const char* domain, DNSServiceBrowseReply callback,
                                                 void* context);
    virtual DNSServiceErrorType DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                                  uint32_t interfaceIndex, const char* name,
                                                  const char* regType, const char* domain,
                                                  DNSServiceResolveReply callback, void* context);
    virtual DNSServiceErrorType DNSServiceQueryRecord(DNSServiceRef* ref, DNSServiceFlags flags,
                                                      uint32_t interfaceIndex, const char* fullName,
                                                      uint16_t rrType, uint16_t rrClass,
                                                      DNSServiceQueryRecordReply callback,
                                                      void* context);
    virtual void DNSServiceRefDeallocate(DNSServiceRef ref);

private:
    // Takes the engine lock unless the caller is one of this engine's callbacks, which already
    // run under it.
    class CLock;

    DNSServiceErrorType Adopt(DNSServiceRef* ref, DNSServiceRef operation, bool started);
    static void Free(DNSServiceRef operation);

    AvahiThreadedPoll* m_poll = nullptr;
    AvahiServer* m_server = nullptr;
    std::atomic<bool> m_running = false;
    bool m_pollStarted = false;
    std::set<DNSServiceRef> m_operations;  // guarded by the engine lock
};

}  // namespace platform
