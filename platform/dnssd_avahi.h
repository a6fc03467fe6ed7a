#pragma once

#include "platform/dnssd.h"

#include <avahi-common/address.h>
#include <avahi-common/defs.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace platform {

// What both avahi engines keep of an operation: whose it is, whom to answer and what it asked
// for, so that its lookup can begin again. Each engine adds its own lookup handles in a struct
// derived from this one.
struct CDnsSdOperation {
    virtual ~CDnsSdOperation() = default;

    CDnsSdEngine* engine = nullptr;
    void* context = nullptr;
    DNSServiceBrowseReply browseReply = nullptr;
    DNSServiceResolveReply resolveReply = nullptr;
    DNSServiceQueryRecordReply queryReply = nullptr;
    uint32_t interfaceIndex = 0;
    DNSServiceFlags flags = 0;
    std::string name;  // the instance of a resolve, the full name of a query
    std::string type;
    std::string domain;  // empty: the default domain
    uint16_t rrType = 0;
    uint16_t rrClass = 0;
};

// What the two avahi engines share: the threaded poll, whose lock is the engine lock, the checks
// of each DNS-SD call and the bookkeeping of its operation. An engine adds how a lookup begins
// and ends and what runs beside the poll. Its destructor calls Close().
class CAvahiDnsSd : public CDnsSdEngine {
public:
    void Close() final;
    bool IsRunning() const final;
    size_t LiveOperations() const final;

    DNSServiceErrorType DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags flags,
                                         uint32_t interfaceIndex, const char* regType,
                                         const char* domain, DNSServiceBrowseReply callback,
                                         void* context) final;
    DNSServiceErrorType DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                          uint32_t interfaceIndex, const char* name,
                                          const char* regType, const char* domain,
                                          DNSServiceResolveReply callback, void* context) final;
    DNSServiceErrorType DNSServiceQueryRecord(DNSServiceRef* ref, DNSServiceFlags flags,
                                              uint32_t interfaceIndex, const char* fullName,
                                              uint16_t rrType, uint16_t rrClass,
                                              DNSServiceQueryRecordReply callback,
                                              void* context) final;
    void DNSServiceRefDeallocate(DNSServiceRef ref) final;

protected:
    // Makes the poll, runs setUp on this thread (before the poll's thread, so nothing else is in
    // the engine yet), then starts the thread. False, with the engine closed, when any step fails.
    bool StartPoll(const std::function<bool()>& setUp);

    // A blank operation of the engine's own kind.
    virtual std::unique_ptr<CDnsSdOperation> NewOperation() const = 0;
    // Under the engine lock: begins the operation's lookup. AVAHI_OK, or avahi's error.
    virtual int BeginLookup(CDnsSdOperation* operation) = 0;
    virtual void EndLookup(CDnsSdOperation* operation) = 0;
    // After the poll's thread stopped, before the operations are deleted: frees what the engine
    // runs besides the poll and, with it or one by one, the lookups of the operations.
    virtual void FreeEngine() = 0;

    AvahiThreadedPoll* m_poll = nullptr;
    std::set<DNSServiceRef> m_operations;  // guarded by the engine lock

private:
    // A new operation with what every call asks for.
    std::unique_ptr<CDnsSdOperation> Request(uint32_t interfaceIndex, DNSServiceFlags flags,
                                             void* context) const;
    DNSServiceErrorType Adopt(DNSServiceRef* ref, std::unique_ptr<CDnsSdOperation> operation);

    std::atomic<bool> m_running = false;
    bool m_pollStarted = false;
};

// Marks the current thread as running a callback of engine for the object's lifetime, so that
// calls made from inside the callback do not take the engine lock a second time.
class CDispatchScope {
public:
    explicit CDispatchScope(const CDnsSdEngine* engine);
    ~CDispatchScope();
    CDispatchScope(const CDispatchScope&) = delete;
    CDispatchScope& operator=(const CDispatchScope&) = delete;

private:
    const CDnsSdEngine* m_previous;
};

// Takes an engine's poll lock unless the caller is one of that engine's callbacks, which
// already run under it. A null poll (engine not started) takes nothing.
class CEngineLock {
public:
    CEngineLock(const CDnsSdEngine* engine, AvahiThreadedPoll* poll);
    ~CEngineLock();
    CEngineLock(const CEngineLock&) = delete;
    CEngineLock& operator=(const CEngineLock&) = delete;

private:
    AvahiThreadedPoll* m_poll;
};

// Interface indexes: 0 (any) in DNS-SD, AVAHI_IF_UNSPEC (-1) in avahi.
int ToAvahiInterface(uint32_t interfaceIndex);
uint32_t FromAvahiInterface(int interface);

// DNS-SD names end in a dot; avahi's do not.
std::string WithDot(const char* name);
std::string WithoutDot(const char* name);

// The full service name "<instance>.<type>.<domain>." with the instance escaped.
std::string FullServiceName(const char* name, const char* type, const char* domain);

// Like a DNS-SD resolve, a resolve waits for SRV and TXT; the address is a query of its own.
AvahiLookupFlags ResolveLookupFlags(DNSServiceFlags flags);

// A TXT record in its wire form: length-prefixed strings.
std::vector<unsigned char> SerialiseTxt(AvahiStringList* txt);

// Hand an avahi answer to the operation's DNS-SD reply, on the engine thread, in DNS-SD's
// conventions. Browse and record events other than new and removed are dropped; a resolve that
// did not find answers once with kDNSServiceErr_Timeout and empty names.
void ReplyBrowse(CDnsSdOperation* op, int interface, AvahiBrowserEvent event, const char* name,
                 const char* type, const char* domain);
void ReplyResolve(CDnsSdOperation* op, int interface, AvahiResolverEvent event, const char* name,
                  const char* type, const char* domain, const char* hostName, uint16_t port,
                  AvahiStringList* txt);
void ReplyRecord(CDnsSdOperation* op, int interface, AvahiBrowserEvent event, const char* name,
                 uint16_t type, uint16_t clazz, const void* data, size_t length, uint32_t ttl);

// avahi's browse and resolve callbacks, alike for the client library's lookups and the core's;
// userdata is the operation.
template <typename Browser>
void OnBrowse(Browser*, AvahiIfIndex interface, AvahiProtocol, AvahiBrowserEvent event,
              const char* name, const char* type, const char* domain, AvahiLookupResultFlags,
              void* userdata) {
    ReplyBrowse(static_cast<CDnsSdOperation*>(userdata), interface, event, name, type, domain);
}

template <typename Resolver>
void OnResolve(Resolver*, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
               const char* name, const char* type, const char* domain, const char* hostName,
               const AvahiAddress*, uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags,
               void* userdata) {
    ReplyResolve(static_cast<CDnsSdOperation*>(userdata), interface, event, name, type, domain,
                 hostName, port, txt);
}

}  // namespace platform
