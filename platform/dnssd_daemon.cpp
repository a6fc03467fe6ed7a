#include "platform/dnssd_daemon.h"

#include "platform/dnssd_avahi.h"
#include "platform/log.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>

#include <string>
#include <utility>

namespace platform {

// An operation keeps what it asked for, so that its lookup can begin again on a new connection.
struct CDaemonDnsSd::COperation : CDnsSdOperation {
    uint32_t interfaceIndex = 0;
    DNSServiceFlags flags = 0;
    std::string name;  // the instance of a resolve, the full name of a query
    std::string type;
    std::string domain;
    uint16_t rrType = 0;
    uint16_t rrClass = 0;
    AvahiServiceBrowser* browser = nullptr;
    AvahiServiceResolver* resolver = nullptr;
    AvahiRecordBrowser* records = nullptr;
};

namespace {

// A daemon that goes away is looked for again this often while the bus itself is missing; while
// the bus is there, the client hears the daemon come back at once.
constexpr int kRetryMs = 1000;

void OnBrowse(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol, AvahiBrowserEvent event,
              const char* name, const char* type, const char* domain, AvahiLookupResultFlags,
              void* userdata) {
    ReplyBrowse(static_cast<CDnsSdOperation*>(userdata), interface, event, name, type, domain);
}

void OnResolve(AvahiServiceResolver*, AvahiIfIndex interface, AvahiProtocol,
               AvahiResolverEvent event, const char* name, const char* type, const char* domain,
               const char* hostName, const AvahiAddress*, uint16_t port, AvahiStringList* txt,
               AvahiLookupResultFlags, void* userdata) {
    ReplyResolve(static_cast<CDnsSdOperation*>(userdata), interface, event, name, type, domain,
                 hostName, port, txt);
}

void OnRecord(AvahiRecordBrowser*, AvahiIfIndex interface, AvahiProtocol, AvahiBrowserEvent event,
              const char* name, uint16_t clazz, uint16_t type, const void* rdata, size_t size,
              AvahiLookupResultFlags, void* userdata) {
    // The daemon does not pass record TTLs on.
    ReplyRecord(static_cast<CDnsSdOperation*>(userdata), interface, event, name, type, clazz, rdata,
                size, 0);
}

bool IsBadParameter(int error) {
    return error == AVAHI_ERR_INVALID_SERVICE_TYPE || error == AVAHI_ERR_INVALID_DOMAIN_NAME ||
           error == AVAHI_ERR_INVALID_HOST_NAME || error == AVAHI_ERR_INVALID_SERVICE_NAME ||
           error == AVAHI_ERR_INVALID_RECORD || error == AVAHI_ERR_INVALID_ARGUMENT;
}

}  // namespace

// The client's callbacks reach the engine's private members through this.
struct CDaemonCallbacks {
    static void OnClientState(AvahiClient* client, AvahiClientState state, void* self) {
        static_cast<CDaemonDnsSd*>(self)->ClientStateChanged(client, state);
    }
    static void OnRetry(AvahiTimeout*, void* self) { static_cast<CDaemonDnsSd*>(self)->Retry(); }
};

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
    if (m_running) return true;
    m_poll = avahi_threaded_poll_new();
    if (!m_poll) return false;
    // Before the poll thread runs, this thread is the only one in the engine.
    if (!Connect(waitForDaemon) && !waitForDaemon) {
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

void CDaemonDnsSd::Close() {
    m_running = false;
    if (m_pollStarted) avahi_threaded_poll_stop(m_poll);
    m_pollStarted = false;
    // Freeing the client frees every lookup of it without a call to the daemon for each.
    for (DNSServiceRef operation : m_operations) delete static_cast<COperation*>(operation);
    m_operations.clear();
    if (m_retry) avahi_threaded_poll_get(m_poll)->timeout_free(m_retry);
    m_retry = nullptr;
    if (m_client) avahi_client_free(m_client);
    m_client = nullptr;
    m_connected = false;
    if (m_poll) avahi_threaded_poll_free(m_poll);
    m_poll = nullptr;
}

bool CDaemonDnsSd::IsRunning() const {
    return m_running;
}

bool CDaemonDnsSd::Connected() const {
    return m_connected;
}

size_t CDaemonDnsSd::LiveOperations() const {
    if (!m_running) return m_operations.size();
    CEngineLock lock(this, m_poll);
    return m_operations.size();
}

bool CDaemonDnsSd::Connect(bool waitForDaemon) {
    int error = 0;
    // The client calls back from inside avahi_client_new when the daemon answers at once.
    AvahiClient* client = avahi_client_new(
        avahi_threaded_poll_get(m_poll), waitForDaemon ? AVAHI_CLIENT_NO_FAIL : AvahiClientFlags(0),
        CDaemonCallbacks::OnClientState, this, &error);
    if (!client) {
        if (waitForDaemon && !m_waitLogged)
            qCInfo(lcDiscovery, "avahi-daemon not reachable (%s); trying again every %d ms",
                   avahi_strerror(error), kRetryMs);
        m_waitLogged = true;
        if (waitForDaemon) RetryIn(kRetryMs);
        return false;
    }
    m_client = client;
    return true;
}

void CDaemonDnsSd::ClientStateChanged(AvahiClient* client, int state) {
    m_client = client;
    switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
        case AVAHI_CLIENT_S_REGISTERING:
        case AVAHI_CLIENT_S_COLLISION:
            if (m_connected) return;
            m_connected = true;
            // After a wait or a loss, say that the list fills again.
            if (std::exchange(m_lost, false) | std::exchange(m_waitLogged, false))
                qCInfo(lcDiscovery, "avahi-daemon answers now; %zu lookups begin",
                       m_operations.size());
            for (DNSServiceRef operation : m_operations)
                BeginLookup(static_cast<COperation*>(operation));
            break;
        case AVAHI_CLIENT_CONNECTING:
            if (!m_waitLogged)
                qCInfo(lcDiscovery, "waiting for avahi-daemon to appear on the system bus");
            m_waitLogged = true;
            break;
        case AVAHI_CLIENT_FAILURE:
        default:
            // The daemon (or the bus) went away; its lookups went with it. The operations stay
            // and begin again on the next connection.
            qCInfo(lcDiscovery, "avahi-daemon went away: %s",
                   avahi_strerror(avahi_client_errno(client)));
            m_connected = false;
            m_lost = true;
            for (DNSServiceRef operation : m_operations)
                EndLookup(static_cast<COperation*>(operation));
            RetryIn(0);
            break;
    }
}

void CDaemonDnsSd::RetryIn(int milliseconds) {
    ArmTimeout(m_poll, &m_retry, milliseconds, CDaemonCallbacks::OnRetry, this);
}

void CDaemonDnsSd::Retry() {
    avahi_threaded_poll_get(m_poll)->timeout_update(m_retry, nullptr);
    // A failed client is not used again: a new one waits for the daemon to come back.
    for (DNSServiceRef operation : m_operations) EndLookup(static_cast<COperation*>(operation));
    if (m_client) avahi_client_free(m_client);
    m_client = nullptr;
    m_connected = false;
    Connect(true);
}

bool CDaemonDnsSd::BeginLookup(COperation* op) {
    if (!m_connected || op->browser || op->resolver || op->records) return true;
    void* self = static_cast<CDnsSdOperation*>(op);
    const int interface = ToAvahiInterface(op->interfaceIndex);
    if (op->browseReply) {
        op->browser = avahi_service_browser_new(
            m_client, interface, AVAHI_PROTO_UNSPEC, op->type.c_str(),
            op->domain.empty() ? nullptr : op->domain.c_str(), AvahiLookupFlags(0), OnBrowse, self);
        return op->browser != nullptr;
    }
    if (op->resolveReply) {
        // Like a DNS-SD resolve, this waits for SRV and TXT; the address is a query of its own.
        const auto lookup = AvahiLookupFlags(
            AVAHI_LOOKUP_NO_ADDRESS |
            ((op->flags & kDNSServiceFlagsForceMulticast) ? AVAHI_LOOKUP_USE_MULTICAST : 0));
        op->resolver = avahi_service_resolver_new(
            m_client, interface, AVAHI_PROTO_UNSPEC, op->name.c_str(), op->type.c_str(),
            op->domain.c_str(), AVAHI_PROTO_UNSPEC, lookup, OnResolve, self);
        return op->resolver != nullptr;
    }
    op->records = avahi_record_browser_new(m_client, interface, AVAHI_PROTO_UNSPEC,
                                           op->name.c_str(), op->rrClass, op->rrType,
                                           AVAHI_LOOKUP_USE_MULTICAST, OnRecord, self);
    return op->records != nullptr;
}

void CDaemonDnsSd::EndLookup(COperation* op) {
    if (op->browser) avahi_service_browser_free(op->browser);
    if (op->resolver) avahi_service_resolver_free(op->resolver);
    if (op->records) avahi_record_browser_free(op->records);
    op->browser = nullptr;
    op->resolver = nullptr;
    op->records = nullptr;
}

DNSServiceErrorType CDaemonDnsSd::Adopt(DNSServiceRef* ref, COperation* op) {
    if (!BeginLookup(op)) {
        const int error = avahi_client_errno(m_client);
        qCInfo(lcDiscovery, "DNS-SD operation not started: %s", avahi_strerror(error));
        delete op;
        return IsBadParameter(error) ? kDNSServiceErr_BadParam : kDNSServiceErr_Unknown;
    }
    // Without a daemon the operation waits for one.
    m_operations.insert(op);
    *ref = op;
    return kDNSServiceErr_NoError;
}

DNSServiceErrorType CDaemonDnsSd::DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags flags,
                                                   uint32_t interfaceIndex, const char* regType,
                                                   const char* domain,
                                                   DNSServiceBrowseReply callback, void* context) {
    if (!ref || !regType || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CEngineLock lock(this, m_poll);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    auto* op = new COperation;
    *static_cast<CDnsSdOperation*>(op) = {this, context, callback};
    op->interfaceIndex = interfaceIndex;
    op->flags = flags;
    op->type = WithoutDot(regType);
    op->domain = domain ? WithoutDot(domain) : std::string();
    return Adopt(ref, op);
}

DNSServiceErrorType CDaemonDnsSd::DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                                    uint32_t interfaceIndex, const char* name,
                                                    const char* regType, const char* domain,
                                                    DNSServiceResolveReply callback,
                                                    void* context) {
    if (!ref || !name || !regType || !domain || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CEngineLock lock(this, m_poll);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    auto* op = new COperation;
    *static_cast<CDnsSdOperation*>(op) = {this, context, nullptr, callback};
    op->interfaceIndex = interfaceIndex;
    op->flags = flags;
    op->name = name;
    op->type = WithoutDot(regType);
    op->domain = WithoutDot(domain);
    return Adopt(ref, op);
}

DNSServiceErrorType CDaemonDnsSd::DNSServiceQueryRecord(
    DNSServiceRef* ref, DNSServiceFlags flags, uint32_t interfaceIndex, const char* fullName,
    uint16_t rrType, uint16_t rrClass, DNSServiceQueryRecordReply callback, void* context) {
    if (!ref || !fullName || !callback) return kDNSServiceErr_BadParam;
    *ref = nullptr;
    CEngineLock lock(this, m_poll);
    if (!m_running) return kDNSServiceErr_ServiceNotRunning;
    auto* op = new COperation;
    *static_cast<CDnsSdOperation*>(op) = {this, context, nullptr, nullptr, callback};
    op->interfaceIndex = interfaceIndex;
    op->flags = flags;
    op->name = WithoutDot(fullName);
    op->rrType = rrType;
    op->rrClass = rrClass;
    return Adopt(ref, op);
}

void CDaemonDnsSd::DNSServiceRefDeallocate(DNSServiceRef ref) {
    if (!ref) return;
    CEngineLock lock(this, m_poll);
    if (m_operations.erase(ref) == 0) return;
    auto* op = static_cast<COperation*>(ref);
    EndLookup(op);
    delete op;
}

}  // namespace platform
