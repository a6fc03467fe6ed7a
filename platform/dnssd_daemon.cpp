#include "platform/dnssd_daemon.h"

#include "platform/dnssd_avahi.h"
#include "platform/log.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>

#include <string>
#include <utility>

namespace platform {

struct CDaemonDnsSd::COperation : CDnsSdOperation {
    AvahiServiceBrowser* browser = nullptr;
    AvahiServiceResolver* resolver = nullptr;
    AvahiRecordBrowser* records = nullptr;
};

namespace {

void OnRecord(AvahiRecordBrowser*, AvahiIfIndex interface, AvahiProtocol, AvahiBrowserEvent event,
              const char* name, uint16_t clazz, uint16_t type, const void* rdata, size_t size,
              AvahiLookupResultFlags, void* userdata) {
    // The daemon does not pass record TTLs on.
    ReplyRecord(static_cast<CDnsSdOperation*>(userdata), interface, event, name, type, clazz, rdata,
                size, 0);
}

}  // namespace

CDaemonDnsSd::CDaemonDnsSd()
    : m_daemon({[this](AvahiClient* client, int) { Answered(client); }, [this] { Lost(); },
                [](const QString& line) { qCInfo(lcDiscovery).noquote() << line; }}) {}

CDaemonDnsSd::~CDaemonDnsSd() {
    Close();
}

bool CDaemonDnsSd::Start() {
    return Start(true);
}

bool CDaemonDnsSd::StartIfAnswering() {
    return Start(false);
}

bool CDaemonDnsSd::Start(bool waitForDaemon) {
    return StartPoll([&] { return m_daemon.Connect(m_poll, waitForDaemon) || waitForDaemon; });
}

bool CDaemonDnsSd::Connected() const {
    return m_connected;
}

void CDaemonDnsSd::FreeEngine() {
    // Freeing the client frees every lookup of it without a call to the daemon for each.
    m_daemon.Disconnect();
    m_client = nullptr;
    m_connected = false;
}

void CDaemonDnsSd::Answered(AvahiClient* client) {
    m_client = client;
    if (m_connected) return;
    m_connected = true;
    for (DNSServiceRef operation : m_operations) BeginLookup(operation);
}

void CDaemonDnsSd::Lost() {
    // The lookups went with the daemon; the operations stay and begin again on the next
    // connection.
    m_connected = false;
    m_client = nullptr;
    for (DNSServiceRef operation : m_operations) EndLookup(operation);
}

std::unique_ptr<CDnsSdOperation> CDaemonDnsSd::NewOperation() const {
    return std::make_unique<COperation>();
}

int CDaemonDnsSd::BeginLookup(CDnsSdOperation* operation) {
    auto* op = static_cast<COperation*>(operation);
    // Without a daemon the operation waits for one.
    if (!m_connected || op->browser || op->resolver || op->records) return AVAHI_OK;
    const int interface = ToAvahiInterface(op->interfaceIndex);
    if (op->browseReply)
        op->browser = avahi_service_browser_new(
            m_client, interface, AVAHI_PROTO_UNSPEC, op->type.c_str(),
            op->domain.empty() ? nullptr : op->domain.c_str(), AvahiLookupFlags(0),
            OnBrowse<AvahiServiceBrowser>, operation);
    else if (op->resolveReply)
        op->resolver = avahi_service_resolver_new(
            m_client, interface, AVAHI_PROTO_UNSPEC, op->name.c_str(), op->type.c_str(),
            op->domain.c_str(), AVAHI_PROTO_UNSPEC, ResolveLookupFlags(op->flags),
            OnResolve<AvahiServiceResolver>, operation);
    else
        op->records = avahi_record_browser_new(m_client, interface, AVAHI_PROTO_UNSPEC,
                                               op->name.c_str(), op->rrClass, op->rrType,
                                               AVAHI_LOOKUP_USE_MULTICAST, OnRecord, operation);
    return op->browser || op->resolver || op->records ? AVAHI_OK : avahi_client_errno(m_client);
}

void CDaemonDnsSd::EndLookup(CDnsSdOperation* operation) {
    auto* op = static_cast<COperation*>(operation);
    if (op->browser) avahi_service_browser_free(op->browser);
    if (op->resolver) avahi_service_resolver_free(op->resolver);
    if (op->records) avahi_record_browser_free(op->records);
    op->browser = nullptr;
    op->resolver = nullptr;
    op->records = nullptr;
}

}  // namespace platform
