#include "platform/dnssd.h"

#include <QLoggingCategory>

#include <arpa/inet.h>
#include <avahi-common/domain.h>
#include <avahi-common/error.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>
#include <avahi-core/core.h>
#include <avahi-core/log.h>
#include <avahi-core/lookup.h>

#include <string>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcDiscovery)

namespace platform {

struct CDnsSdOperation {
    CDnsSdEngine* engine = nullptr;
    void* context = nullptr;
    DNSServiceBrowseReply browseReply = nullptr;
    DNSServiceResolveReply resolveReply = nullptr;
    DNSServiceQueryRecordReply queryReply = nullptr;
    AvahiSServiceBrowser* browser = nullptr;
    AvahiSServiceResolver* resolver = nullptr;
    AvahiSRecordBrowser* records = nullptr;
};

namespace {

// The engine whose callback the current thread is running, so that calls made from inside a
// callback do not take the engine lock a second time.
thread_local const CDnsSdEngine* t_dispatching = nullptr;

class CDispatchScope {
public:
    explicit CDispatchScope(const CDnsSdEngine* engine) : m_previous(t_dispatching) {
        t_dispatching = engine;
    }
    ~CDispatchScope() { t_dispatching = m_previous; }
    CDispatchScope(const CDispatchScope&) = delete;
    CDispatchScope& operator=(const CDispatchScope&) = delete;

private:
    const CDnsSdEngine* m_previous;
};

void LogToCategory(AvahiLogLevel level, const char* text) {
    // The engine's warnings are routine here (another responder on the machine, an interface
    // going away), so only its errors pass the category's default threshold.
    switch (level) {
        case AVAHI_LOG_ERROR:
            qCWarning(lcDiscovery, "avahi: %s", text);
            break;
        case AVAHI_LOG_DEBUG:
            qCDebug(lcDiscovery, "avahi: %s", text);
            break;
        default:
            qCInfo(lcDiscovery, "avahi: %s", text);
            break;
    }
}

void IgnoreServerState(AvahiServer*, AvahiServerState, void*) {}

AvahiIfIndex ToAvahiInterface(uint32_t interfaceIndex) {
    return interfaceIndex == 0 ? AVAHI_IF_UNSPEC : AvahiIfIndex(interfaceIndex);
}

uint32_t FromAvahiInterface(AvahiIfIndex interface) {
    return interface < 0 ? 0 : uint32_t(interface);
}

// DNS-SD names end in a dot; the engine's do not.
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

std::vector<unsigned char> SerialiseTxt(AvahiStringList* txt) {
    std::vector<unsigned char> bytes(avahi_string_list_serialize(txt, nullptr, 0));
    if (!bytes.empty()) bytes.resize(avahi_string_list_serialize(txt, bytes.data(), bytes.size()));
    return bytes;
}

void OnBrowse(AvahiSServiceBrowser*, AvahiIfIndex interface, AvahiProtocol, AvahiBrowserEvent event,
              const char* name, const char* type, const char* domain, AvahiLookupResultFlags,
              void* userdata) {
    if (event != AVAHI_BROWSER_NEW && event != AVAHI_BROWSER_REMOVE) return;
    auto* op = static_cast<CDnsSdOperation*>(userdata);
    CDispatchScope scope(op->engine);
    const std::string regType = WithDot(type);
    const std::string replyDomain = WithDot(domain);
    op->browseReply(op, event == AVAHI_BROWSER_NEW ? kDNSServiceFlagsAdd : 0,
                    FromAvahiInterface(interface), kDNSServiceErr_NoError, name, regType.c_str(),
                    replyDomain.c_str(), op->context);
}

void OnResolve(AvahiSServiceResolver*, AvahiIfIndex interface, AvahiProtocol,
               AvahiResolverEvent event, const char* name, const char* type, const char* domain,
               const char* hostName, const AvahiAddress*, uint16_t port, AvahiStringList* txt,
               AvahiLookupResultFlags, void* userdata) {
    auto* op = static_cast<CDnsSdOperation*>(userdata);
    CDispatchScope scope(op->engine);
    if (event != AVAHI_RESOLVER_FOUND) {
        op->resolveReply(op, 0, FromAvahiInterface(interface), kDNSServiceErr_Timeout, "", "", 0, 0,
                         nullptr, op->context);
        return;
    }
    char fullName[AVAHI_DOMAIN_NAME_MAX] = {};
    avahi_service_name_join(fullName, sizeof fullName, name, type, domain);
    const std::string full = WithDot(fullName);
    const std::string target = WithDot(hostName);
    const std::vector<unsigned char> record = SerialiseTxt(txt);
    op->resolveReply(op, 0, FromAvahiInterface(interface), kDNSServiceErr_NoError, full.c_str(),
                     target.c_str(), htons(port), uint16_t(record.size()), record.data(),
                     op->context);
}

void OnRecord(AvahiSRecordBrowser*, AvahiIfIndex interface, AvahiProtocol, AvahiBrowserEvent event,
              AvahiRecord* record, AvahiLookupResultFlags, void* userdata) {
    if ((event != AVAHI_BROWSER_NEW && event != AVAHI_BROWSER_REMOVE) || !record) return;
    auto* op = static_cast<CDnsSdOperation*>(userdata);
    CDispatchScope scope(op->engine);
    unsigned char data[0xFFFF];  // the largest record data DNS allows
    const size_t length = avahi_rdata_serialize(record, data, sizeof data);
    if (length == size_t(-1)) return;
    const std::string full = WithDot(record->key->name);
    op->queryReply(op, event == AVAHI_BROWSER_NEW ? kDNSServiceFlagsAdd : 0,
                   FromAvahiInterface(interface), kDNSServiceErr_NoError, full.c_str(),
                   record->key->type, record->key->clazz, uint16_t(length), data, record->ttl,
                   op->context);
}

}  // namespace

class CDnsSdEngine::CLock {
public:
    explicit CLock(const CDnsSdEngine* engine)
        : m_poll(t_dispatching == engine ? nullptr : engine->m_poll) {
        if (m_poll) avahi_threaded_poll_lock(m_poll);
    }
    ~CLock() {
        if (m_poll) avahi_threaded_poll_unlock(m_poll);
    }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

private:
    AvahiThreadedPoll* m_poll;
};

CDnsSdEngine::~CDnsSdEngine() {
    Close();
}

bool CDnsSdEngine::Start() {
    if (m_running) return true;
    avahi_set_log_function(LogToCategory);
    m_poll = avahi_threaded_poll_new();
    if (!m_poll) return false;

    AvahiServerConfig config;
    avahi_server_config_init(&config);
    config.use_ipv4 = 1;
    // Only IPv4 addresses are ever looked up.
    config.use_ipv6 = 0;
    config.publish_hinfo = 0;
    config.publish_addresses = 0;
    config.publish_workstation = 0;
    config.publish_domain = 0;
    config.disable_publishing = 1;
    config.enable_wide_area = 0;
    // Shares port 5353 with an avahi-daemon or any other responder on the machine.
    config.disallow_other_stacks = 0;
    config.n_cache_entries_max = kCacheEntries;
    int error = 0;
    m_server = avahi_server_new(avahi_threaded_poll_get(m_poll), &config, IgnoreServerState,
                                nullptr, &error);
    avahi_server_config_free(&config);
    if (!m_server) {
        qCWarning(lcDiscovery, "mDNS engine did not start: %s", avahi_strerror(error));
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

void CDnsSdEngine::Close() {
    m_running = false;
    if (m_pollStarted) avahi_threaded_poll_stop(m_poll);
    m_pollStarted = false;
    for (DNSServiceRef operation : m_operations) Free(operation);
    m_operations.clear();
    if (m_server) avahi_server_free(m_server);
    m_server = nullptr;
    if (m_poll) avahi_threaded_poll_free(m_poll);
    m_poll = nullptr;
}

bool CDnsSdEngine::IsRunning() const {
    return m_running;
}

size_t CDnsSdEngine::LiveOperations() const {
    if (!m_running) return m_operations.size();
    CLock lock(this);
    return m_operations.size();
}

DNSServiceErrorType CDnsSdEngine::Adopt(DNSServiceRef* ref, DNSServiceRef operation, bool started) {
    if (!started) {
        const int error = avahi_server_errno(m_server);
        qCInfo(lcDiscovery, "DNS-SD operation not started: %s", avahi_strerror(error));
        Free(operation);
        *ref = nullptr;
        return error == AVAHI_ERR_INVALID_SERVICE_TYPE || error == AVAHI_ERR_INVALID_DOMAIN_NAME ||
                       error == AVAHI_ERR_INVALID_HOST_NAME ||
                       error == AVAHI_ERR_INVALID_SERVICE_NAME
                   ? kDNSServiceErr_BadParam
                   : kDNSServiceErr_Unknown;
    }
    m_operations.insert(operation);
    *ref = operation;
    return kDNSServiceErr_NoError;
}

void CDnsSdEngine::Free(DNSServiceRef operation) {
    if (operation->browser) avahi_s_service_browser_free(operation->browser);
    if (operation->resolver) avahi_s_service_resolver_free(operation->resolver);
    if (operation->records) avahi_s_record_browser_free(operation->records);
    delete operation;
}

DNSServiceErrorType CDnsSdEngine::DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags,
                                                   uint32_t interfaceIndex, const char* regType,
                                                   const char* domain,
                                                   DNSServiceBrowseReply callback, void* context) {
    if (!ref || !regType || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CLock lock(this);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    auto* op = new CDnsSdOperation{this, context, callback};
    op->browser = avahi_s_service_browser_new(
        m_server, ToAvahiInterface(interfaceIndex), AVAHI_PROTO_UNSPEC, WithoutDot(regType).c_str(),
        domain ? WithoutDot(domain).c_str() : nullptr, AvahiLookupFlags(0), OnBrowse, op);
    return Adopt(ref, op, op->browser != nullptr);
}

DNSServiceErrorType CDnsSdEngine::DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                                    uint32_t interfaceIndex, const char* name,
                                                    const char* regType, const char* domain,
                                                    DNSServiceResolveReply callback,
                                                    void* context) {
    if (!ref || !name || !regType || !domain || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CLock lock(this);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    auto* op = new CDnsSdOperation{this, context};
    op->resolveReply = callback;
    // Like a DNS-SD resolve, this waits for SRV and TXT; the address is a query of its own.
    const auto lookup = AvahiLookupFlags(
        AVAHI_LOOKUP_NO_ADDRESS |
        ((flags & kDNSServiceFlagsForceMulticast) ? AVAHI_LOOKUP_USE_MULTICAST : 0));
    op->resolver =
        avahi_s_service_resolver_new(m_server, ToAvahiInterface(interfaceIndex), AVAHI_PROTO_UNSPEC,
                                     name, WithoutDot(regType).c_str(), WithoutDot(domain).c_str(),
                                     AVAHI_PROTO_UNSPEC, lookup, OnResolve, op);
    return Adopt(ref, op, op->resolver != nullptr);
}

DNSServiceErrorType CDnsSdEngine::DNSServiceQueryRecord(
    DNSServiceRef* ref, DNSServiceFlags, uint32_t interfaceIndex, const char* fullName,
    uint16_t rrType, uint16_t rrClass, DNSServiceQueryRecordReply callback, void* context) {
    if (!ref || !fullName || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CLock lock(this);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    AvahiKey* key = avahi_key_new(WithoutDot(fullName).c_str(), rrClass, rrType);
    if (!key) return kDNSServiceErr_BadParam;
    auto* op = new CDnsSdOperation{this, context};
    op->queryReply = callback;
    op->records =
        avahi_s_record_browser_new(m_server, ToAvahiInterface(interfaceIndex), AVAHI_PROTO_UNSPEC,
                                   key, AVAHI_LOOKUP_USE_MULTICAST, OnRecord, op);
    avahi_key_unref(key);
    return Adopt(ref, op, op->records != nullptr);
}

void CDnsSdEngine::DNSServiceRefDeallocate(DNSServiceRef ref) {
    if (!ref) return;
    CLock lock(this);
    if (m_operations.erase(ref) == 0) return;
    Free(ref);
}

}  // namespace platform
