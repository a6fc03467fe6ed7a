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
        case AVAHI_LOG_ERROR: qCWarning(lcDiscovery, "avahi: %s", text); break;
        case AVAHI_LOG_DEBUG: qCDebug(lcDiscovery, "avahi: %s", text); break;
        default: qCInfo(lcDiscovery, "avahi: %s", text); break;
    }
}

void IgnoreServerState(AvahiServer*, AvahiServerState, void*) {}

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
    avahi_set_log_function(LogToCategory);
    return StartPoll([this] { return StartServer(); });
}

bool CEmbeddedDnsSd::StartServer() {
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
    if (!m_server) qCWarning(lcDiscovery, "mDNS engine did not start: %s", avahi_strerror(error));
    return m_server != nullptr;
}

void CEmbeddedDnsSd::FreeEngine() {
    for (DNSServiceRef operation : m_operations) EndLookup(operation);
    if (m_server) avahi_server_free(m_server);
    m_server = nullptr;
}

std::unique_ptr<CDnsSdOperation> CEmbeddedDnsSd::NewOperation() const {
    return std::make_unique<COperation>();
}

int CEmbeddedDnsSd::BeginLookup(CDnsSdOperation* operation) {
    auto* op = static_cast<COperation*>(operation);
    const int interface = ToAvahiInterface(op->interfaceIndex);
    if (op->browseReply) {
        op->browser = avahi_s_service_browser_new(
            m_server, interface, AVAHI_PROTO_UNSPEC, op->type.c_str(),
            op->domain.empty() ? nullptr : op->domain.c_str(), AvahiLookupFlags(0),
            OnBrowse<AvahiSServiceBrowser>, operation);
    } else if (op->resolveReply) {
        op->resolver = avahi_s_service_resolver_new(
            m_server, interface, AVAHI_PROTO_UNSPEC, op->name.c_str(), op->type.c_str(),
            op->domain.c_str(), AVAHI_PROTO_UNSPEC, ResolveLookupFlags(op->flags),
            OnResolve<AvahiSServiceResolver>, operation);
    } else {
        AvahiKey* key = avahi_key_new(op->name.c_str(), op->rrClass, op->rrType);
        if (!key) return AVAHI_ERR_INVALID_HOST_NAME;
        op->records = avahi_s_record_browser_new(m_server, interface, AVAHI_PROTO_UNSPEC, key,
                                                 AVAHI_LOOKUP_USE_MULTICAST, OnRecord, operation);
        avahi_key_unref(key);
    }
    return op->browser || op->resolver || op->records ? AVAHI_OK : avahi_server_errno(m_server);
}

void CEmbeddedDnsSd::EndLookup(CDnsSdOperation* operation) {
    auto* op = static_cast<COperation*>(operation);
    if (op->browser) avahi_s_service_browser_free(op->browser);
    if (op->resolver) avahi_s_service_resolver_free(op->resolver);
    if (op->records) avahi_s_record_browser_free(op->records);
    op->browser = nullptr;
    op->resolver = nullptr;
    op->records = nullptr;
}

}  // namespace platform
