#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The DNS-SD client calls. Conventions are DNS-SD's, which discovery relies on: full names and
// hosts as escaped text ending in a dot, ports in network byte order, TXT records in their wire
// form (length-prefixed strings), reply flags kDNSServiceFlagsAdd or 0.

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

// One mDNS engine behind the DNS-SD client calls. The program runs with one of two: the system's
// avahi-daemon over D-Bus (dnssd_daemon.h) or an engine inside the process (dnssd_embedded.h);
// dnssd_choice.h picks between them. Every engine keeps the same contract: callbacks run on the
// engine's thread while it holds the engine lock, calls may come from any thread and from inside
// a callback, and a reference lives until it is released or the engine closes.
class CDnsSdEngine {
public:
    CDnsSdEngine() = default;
    virtual ~CDnsSdEngine() = default;
    CDnsSdEngine(const CDnsSdEngine&) = delete;
    CDnsSdEngine& operator=(const CDnsSdEngine&) = delete;

    // Starts the engine and its thread; it announces nothing of its own. True when running (also
    // when already).
    virtual bool Start() = 0;
    // Stops the thread and releases every operation still open; their references die with
    // them. Must not be called from a callback. Safe to call twice.
    virtual void Close() = 0;
    virtual bool IsRunning() const = 0;
    // Browses, resolves and queries not yet released.
    virtual size_t LiveOperations() const = 0;

    virtual DNSServiceErrorType DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags flags,
                                                 uint32_t interfaceIndex, const char* regType,
                                                 const char* domain, DNSServiceBrowseReply callback,
                                                 void* context) = 0;
    virtual DNSServiceErrorType DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                                  uint32_t interfaceIndex, const char* name,
                                                  const char* regType, const char* domain,
                                                  DNSServiceResolveReply callback,
                                                  void* context) = 0;
    virtual DNSServiceErrorType DNSServiceQueryRecord(DNSServiceRef* ref, DNSServiceFlags flags,
                                                      uint32_t interfaceIndex, const char* fullName,
                                                      uint16_t rrType, uint16_t rrClass,
                                                      DNSServiceQueryRecordReply callback,
                                                      void* context) = 0;
    virtual void DNSServiceRefDeallocate(DNSServiceRef ref) = 0;
};

}  // namespace platform
