#include "platform/dnssd_embedded.h"

#include "platform/dnssd_avahi.h"
#include "platform/log.h"

#include <avahi-common/error.h>
#include <avahi-core/core.h>
#include <avahi-core/log.h>
#include <avahi-core/lookup.h>

#include <string>

namespace platform {

struct CEmbeddedDnsSd::COperation : CDnsSdOperation {
    AvahiSServiceBrowser* browser = nullptr;
    AvahiSServiceResolver* resolver = nullptr;
    AvahiSRecordBrowser* records = nullptr;
};

namespace {

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

void OnBrowse(AvahiSServiceBrowser*, AvahiIfIndex interface, AvahiProtocol, AvahiBrowserEvent event,
              const char* name, const char* type, const char* domain, AvahiLookupResultFlags,
              void* userdata) {
    ReplyBrowse(static_cast<CDnsSdOperation*>(userdata), interface, event, name, type, domain);
}

void OnResolve(AvahiSServiceResolver*, AvahiIfIndex interface, AvahiProtocol,
               AvahiResolverEvent event, const char* name, const char* type, const char* domain,
               const char* hostName, const AvahiAddress*, uint16_t port, AvahiStringList* txt,
               AvahiLookupResultFlags, void* userdata) {
    ReplyResolve(static_cast<CDnsSdOperation*>(userdata), interface, event, name, type, domain,
                 hostName, port, txt);
}

void OnRecord(AvahiSRecordBrowser*, AvahiIfIndex interface, AvahiProtocol, AvahiBrowserEvent event,
              AvahiRecord* record, AvahiLookupResultFlags, void* userdata) {
    if (!record) return;
    unsigned char data[0xFFFF];  // the largest record data DNS allows
    const size_t length = avahi_rdata_serialize(record, data, sizeof data);
    if (length == size_t(-1)) return;
    ReplyRecord(static_cast<CDnsSdOperation*>(userdata), interface, event, record->key->name,
                record->key->type, record->key->clazz, data, length, record->ttl);
}

}  // namespace

CEmbeddedDnsSd::~CEmbeddedDnsSd() {
    Close();
}

bool CEmbeddedDnsSd::Start() {
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

void CEmbeddedDnsSd::Close() {
    m_running = false;
    if (m_pollStarted) avahi_threaded_poll_stop(m_poll);
    m_pollStarted = false;
    for (DNSServiceRef operation : m_operations) Free(static_cast<COperation*>(operation));
    m_operations.clear();
    if (m_server) avahi_server_free(m_server);
    m_server = nullptr;
    if (m_poll) avahi_threaded_poll_free(m_poll);
    m_poll = nullptr;
}

bool CEmbeddedDnsSd::IsRunning() const {
    return m_running;
}

size_t CEmbeddedDnsSd::LiveOperations() const {
    if (!m_running) return m_operations.size();
    CEngineLock lock(this, m_poll);
    return m_operations.size();
}

DNSServiceErrorType CEmbeddedDnsSd::Adopt(DNSServiceRef* ref, COperation* operation, bool started) {
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

void CEmbeddedDnsSd::Free(COperation* operation) {
    if (operation->browser) avahi_s_service_browser_free(operation->browser);
    if (operation->resolver) avahi_s_service_resolver_free(operation->resolver);
    if (operation->records) avahi_s_record_browser_free(operation->records);
    delete operation;
}

DNSServiceErrorType CEmbeddedDnsSd::DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags,
                                                     uint32_t interfaceIndex, const char* regType,
                                                     const char* domain,
                                                     DNSServiceBrowseReply callback,
                                                     void* context) {
    if (!ref || !regType || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CEngineLock lock(this, m_poll);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    auto* op = new COperation{{this, context, callback}};
    op->browser = avahi_s_service_browser_new(
        m_server, ToAvahiInterface(interfaceIndex), AVAHI_PROTO_UNSPEC, WithoutDot(regType).c_str(),
        domain ? WithoutDot(domain).c_str() : nullptr, AvahiLookupFlags(0), OnBrowse,
        static_cast<CDnsSdOperation*>(op));
    return Adopt(ref, op, op->browser != nullptr);
}

DNSServiceErrorType CEmbeddedDnsSd::DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                                      uint32_t interfaceIndex, const char* name,
                                                      const char* regType, const char* domain,
                                                      DNSServiceResolveReply callback,
                                                      void* context) {
    if (!ref || !name || !regType || !domain || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CEngineLock lock(this, m_poll);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    auto* op = new COperation{{this, context, nullptr, callback}};
    // Like a DNS-SD resolve, this waits for SRV and TXT; the address is a query of its own.
    const auto lookup = AvahiLookupFlags(
        AVAHI_LOOKUP_NO_ADDRESS |
        ((flags & kDNSServiceFlagsForceMulticast) ? AVAHI_LOOKUP_USE_MULTICAST : 0));
    op->resolver = avahi_s_service_resolver_new(
        m_server, ToAvahiInterface(interfaceIndex), AVAHI_PROTO_UNSPEC, name,
        WithoutDot(regType).c_str(), WithoutDot(domain).c_str(), AVAHI_PROTO_UNSPEC, lookup,
        OnResolve, static_cast<CDnsSdOperation*>(op));
    return Adopt(ref, op, op->resolver != nullptr);
}

DNSServiceErrorType CEmbeddedDnsSd::DNSServiceQueryRecord(
    DNSServiceRef* ref, DNSServiceFlags, uint32_t interfaceIndex, const char* fullName,
    uint16_t rrType, uint16_t rrClass, DNSServiceQueryRecordReply callback, void* context) {
    if (!ref || !fullName || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CEngineLock lock(this, m_poll);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    AvahiKey* key = avahi_key_new(WithoutDot(fullName).c_str(), rrClass, rrType);
    if (!key) return kDNSServiceErr_BadParam;
    auto* op = new COperation{{this, context, nullptr, nullptr, callback}};
    op->records = avahi_s_record_browser_new(m_server, ToAvahiInterface(interfaceIndex),
                                             AVAHI_PROTO_UNSPEC, key, AVAHI_LOOKUP_USE_MULTICAST,
                                             OnRecord, static_cast<CDnsSdOperation*>(op));
    avahi_key_unref(key);
    return Adopt(ref, op, op->records != nullptr);
}

void CEmbeddedDnsSd::DNSServiceRefDeallocate(DNSServiceRef ref) {
    if (!ref) return;
    CEngineLock lock(this, m_poll);
    if (m_operations.erase(ref) == 0) return;
    Free(static_cast<COperation*>(ref));
}

}  // namespace platform
