#pragma once

#include "platform/dnssd.h"

#include <avahi-common/defs.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>

#include <string>
#include <vector>

namespace platform {

// What both avahi engines keep of an operation: whose it is and whom to answer. Each engine
// adds its own lookup handles in a struct derived from this one.
struct CDnsSdOperation {
    CDnsSdEngine* engine = nullptr;
    void* context = nullptr;
    DNSServiceBrowseReply browseReply = nullptr;
    DNSServiceResolveReply resolveReply = nullptr;
    DNSServiceQueryRecordReply queryReply = nullptr;
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

// Arms *timeout to fire milliseconds from now on poll's thread, creating it on first use.
void ArmTimeout(AvahiThreadedPoll* poll, AvahiTimeout** timeout, int milliseconds,
                AvahiTimeoutCallback callback, void* userdata);

}  // namespace platform
