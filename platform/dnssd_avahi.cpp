#include "platform/dnssd_avahi.h"

#include "platform/log.h"

#include <avahi-common/address.h>
#include <avahi-common/domain.h>
#include <avahi-common/error.h>

#include <arpa/inet.h>

namespace platform {

namespace {
// The engine whose callback the current thread is running.
thread_local const CDnsSdEngine* t_dispatching = nullptr;

bool IsBadParameter(int error) {
    return error == AVAHI_ERR_INVALID_SERVICE_TYPE || error == AVAHI_ERR_INVALID_DOMAIN_NAME ||
           error == AVAHI_ERR_INVALID_HOST_NAME || error == AVAHI_ERR_INVALID_SERVICE_NAME ||
           error == AVAHI_ERR_INVALID_RECORD || error == AVAHI_ERR_INVALID_ARGUMENT;
}
}  // namespace

bool CAvahiDnsSd::StartPoll(const std::function<bool()>& setUp) {
    if (m_running) return true;
    m_poll = avahi_threaded_poll_new();
    if (!m_poll) return false;
    if (!setUp()) {
        Close();
        return false;
    }
    if (avahi_threaded_poll_start(m_poll) < 0) {
        qCWarning(lcDiscovery, "mDNS engine thread did not start");
        Close();
        return false;
    }
    m_pollStarted = true;
    m_running = true;
    return true;
}

void CAvahiDnsSd::Close() {
    m_running = false;
    if (m_pollStarted) avahi_threaded_poll_stop(m_poll);
    m_pollStarted = false;
    FreeEngine();
    for (DNSServiceRef operation : m_operations) delete operation;
    m_operations.clear();
    if (m_poll) avahi_threaded_poll_free(m_poll);
    m_poll = nullptr;
}

bool CAvahiDnsSd::IsRunning() const {
    return m_running;
}

size_t CAvahiDnsSd::LiveOperations() const {
    if (!m_running) return m_operations.size();
    CEngineLock lock(this, m_poll);
    return m_operations.size();
}

std::unique_ptr<CDnsSdOperation> CAvahiDnsSd::Request(uint32_t interfaceIndex,
                                                      DNSServiceFlags flags, void* context) const {
    std::unique_ptr<CDnsSdOperation> op = NewOperation();
    op->interfaceIndex = interfaceIndex;
    op->flags = flags;
    op->context = context;
    return op;
}

DNSServiceErrorType CAvahiDnsSd::Adopt(DNSServiceRef* ref,
                                       std::unique_ptr<CDnsSdOperation> operation) {
    *ref = nullptr;
    CEngineLock lock(this, m_poll);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    operation->engine = this;
    if (const int error = BeginLookup(operation.get()); error < 0) {
        qCInfo(lcDiscovery, "DNS-SD operation not started: %s", avahi_strerror(error));
        return IsBadParameter(error) ? kDNSServiceErr_BadParam : kDNSServiceErr_Unknown;
    }
    *ref = operation.get();
    m_operations.insert(operation.release());
    return kDNSServiceErr_NoError;
}

DNSServiceErrorType CAvahiDnsSd::DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags flags,
                                                  uint32_t interfaceIndex, const char* regType,
                                                  const char* domain,
                                                  DNSServiceBrowseReply callback, void* context) {
    if (!ref || !regType || !callback) return kDNSServiceErr_BadParam;
    std::unique_ptr<CDnsSdOperation> op = Request(interfaceIndex, flags, context);
    op->browseReply = callback;
    op->type = WithoutDot(regType);
    op->domain = domain ? WithoutDot(domain) : std::string();
    return Adopt(ref, std::move(op));
}

DNSServiceErrorType CAvahiDnsSd::DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                                   uint32_t interfaceIndex, const char* name,
                                                   const char* regType, const char* domain,
                                                   DNSServiceResolveReply callback, void* context) {
    if (!ref || !name || !regType || !domain || !callback) return kDNSServiceErr_BadParam;
    std::unique_ptr<CDnsSdOperation> op = Request(interfaceIndex, flags, context);
    op->resolveReply = callback;
    op->name = name;
    op->type = WithoutDot(regType);
    op->domain = WithoutDot(domain);
    return Adopt(ref, std::move(op));
}

DNSServiceErrorType CAvahiDnsSd::DNSServiceQueryRecord(
    DNSServiceRef* ref, DNSServiceFlags flags, uint32_t interfaceIndex, const char* fullName,
    uint16_t rrType, uint16_t rrClass, DNSServiceQueryRecordReply callback, void* context) {
    if (!ref || !fullName || !callback) return kDNSServiceErr_BadParam;
    std::unique_ptr<CDnsSdOperation> op = Request(interfaceIndex, flags, context);
    op->queryReply = callback;
    op->name = WithoutDot(fullName);
    op->rrType = rrType;
    op->rrClass = rrClass;
    return Adopt(ref, std::move(op));
}

void CAvahiDnsSd::DNSServiceRefDeallocate(DNSServiceRef ref) {
    if (!ref) return;
    CEngineLock lock(this, m_poll);
    if (m_operations.erase(ref) == 0) return;
    EndLookup(ref);
    delete ref;
}

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

AvahiLookupFlags ResolveLookupFlags(DNSServiceFlags flags) {
    return AvahiLookupFlags(
        AVAHI_LOOKUP_NO_ADDRESS |
        ((flags & kDNSServiceFlagsForceMulticast) ? AVAHI_LOOKUP_USE_MULTICAST : 0));
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

}  // namespace platform
