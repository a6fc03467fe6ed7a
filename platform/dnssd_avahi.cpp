#include "platform/dnssd_avahi.h"

#include <avahi-common/address.h>
#include <avahi-common/domain.h>
#include <avahi-common/timeval.h>

#include <arpa/inet.h>

namespace platform {

namespace {
// The engine whose callback the current thread is running.
thread_local const CDnsSdEngine* t_dispatching = nullptr;
}  // namespace

CDispatchScope::CDispatchScope(const CDnsSdEngine* engine) : m_previous(t_dispatching) {
    t_dispatching = engine;
}

CDispatchScope::~CDispatchScope() {
    t_dispatching = m_previous;
}

CEngineLock::CEngineLock(const CDnsSdEngine* engine, AvahiThreadedPoll* poll)
    : m_poll(t_dispatching == engine ? nullptr : poll) {
    if (m_poll) avahi_threaded_poll_lock(m_poll);
}

CEngineLock::~CEngineLock() {
    if (m_poll) avahi_threaded_poll_unlock(m_poll);
}

int ToAvahiInterface(uint32_t interfaceIndex) {
    return interfaceIndex == 0 ? AVAHI_IF_UNSPEC : int(interfaceIndex);
}

uint32_t FromAvahiInterface(int interface) {
    return interface < 0 ? 0 : uint32_t(interface);
}

std::string WithDot(const char* name) {
    std::string text = name ? name : "";
    if (text.empty() || text.back() != '.') text += '.';
    return text;
}

std::string WithoutDot(const char* name) {
    std::string text = name ? name : "";
    const bool escaped = text.size() >= 2 && text[text.size() - 2] == '\\';
    if (text.size() > 1 && text.back() == '.' && !escaped) text.pop_back();
    return text;
}

std::string FullServiceName(const char* name, const char* type, const char* domain) {
    char fullName[AVAHI_DOMAIN_NAME_MAX] = {};
    avahi_service_name_join(fullName, sizeof fullName, name, type, domain);
    return WithDot(fullName);
}

std::vector<unsigned char> SerialiseTxt(AvahiStringList* txt) {
    std::vector<unsigned char> bytes(avahi_string_list_serialize(txt, nullptr, 0));
    if (!bytes.empty()) bytes.resize(avahi_string_list_serialize(txt, bytes.data(), bytes.size()));
    return bytes;
}

void ReplyBrowse(CDnsSdOperation* op, int interface, AvahiBrowserEvent event, const char* name,
                 const char* type, const char* domain) {
    if (event != AVAHI_BROWSER_NEW && event != AVAHI_BROWSER_REMOVE) return;
    CDispatchScope scope(op->engine);
    const std::string regType = WithDot(type);
    const std::string replyDomain = WithDot(domain);
    op->browseReply(op, event == AVAHI_BROWSER_NEW ? kDNSServiceFlagsAdd : 0,
                    FromAvahiInterface(interface), kDNSServiceErr_NoError, name, regType.c_str(),
                    replyDomain.c_str(), op->context);
}

void ReplyResolve(CDnsSdOperation* op, int interface, AvahiResolverEvent event, const char* name,
                  const char* type, const char* domain, const char* hostName, uint16_t port,
                  AvahiStringList* txt) {
    CDispatchScope scope(op->engine);
    if (event != AVAHI_RESOLVER_FOUND) {
        op->resolveReply(op, 0, FromAvahiInterface(interface), kDNSServiceErr_Timeout, "", "", 0, 0,
                         nullptr, op->context);
        return;
    }
    const std::string full = FullServiceName(name, type, domain);
    const std::string target = WithDot(hostName);
    const std::vector<unsigned char> record = SerialiseTxt(txt);
    op->resolveReply(op, 0, FromAvahiInterface(interface), kDNSServiceErr_NoError, full.c_str(),
                     target.c_str(), htons(port), uint16_t(record.size()), record.data(),
                     op->context);
}

void ReplyRecord(CDnsSdOperation* op, int interface, AvahiBrowserEvent event, const char* name,
                 uint16_t type, uint16_t clazz, const void* data, size_t length, uint32_t ttl) {
    if (event != AVAHI_BROWSER_NEW && event != AVAHI_BROWSER_REMOVE) return;
    CDispatchScope scope(op->engine);
    const std::string full = WithDot(name);
    op->queryReply(op, event == AVAHI_BROWSER_NEW ? kDNSServiceFlagsAdd : 0,
                   FromAvahiInterface(interface), kDNSServiceErr_NoError, full.c_str(), type, clazz,
                   uint16_t(length), data, ttl, op->context);
}

void ArmTimeout(AvahiThreadedPoll* poll, AvahiTimeout** timeout, int milliseconds,
                AvahiTimeoutCallback callback, void* userdata) {
    timeval when{};
    avahi_elapse_time(&when, unsigned(milliseconds), 0);
    const AvahiPoll* api = avahi_threaded_poll_get(poll);
    if (*timeout)
        api->timeout_update(*timeout, &when);
    else
        *timeout = api->timeout_new(api, &when, callback, userdata);
}

}  // namespace platform
