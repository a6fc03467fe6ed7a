#include "discovery/discovery.h"

#include "app/app.h"
#include "connection/protocol.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"
#include "discovery/dns_names.h"
#include "discovery/txt_record.h"
#include "platform/log.h"
#include "platform/tick_count.h"

#include <arpa/inet.h>

#include <utility>

using namespace platform;

CDiscovery::CDiscovery(CDnsSdEngine* engine) : m_engine(engine) {
    m_sweep.setInterval(1000);
    connect(&m_sweep, &QTimer::timeout, this, &CDiscovery::RemoveSilent);
    m_sweep.start();
}

CDiscovery::~CDiscovery() {
    // The engine has closed and taken the operations with it; only the contexts are ours.
    for (auto& [host, query] : m_queries) delete query;
}

void CDiscovery::Resolve(uint32_t interfaceIndex, const char* name, const char* regType,
                         const char* domain) {
    const std::string instance =
        std::to_string(interfaceIndex) + '/' + name + '.' + regType + domain;
    if (m_resolving.count(instance)) return;
    DNSServiceRef ref = nullptr;
    if (m_engine->DNSServiceResolve(&ref, kDNSServiceFlagsForceMulticast, interfaceIndex, name,
                                    regType, domain, ResolveReply, this) != kDNSServiceErr_NoError)
        return;
    m_resolves[ref] = instance;
    m_resolving.insert(instance);
}

void CDiscovery::ResolveAnswered(DNSServiceRef ref, DNSServiceErrorType error,
                                 uint32_t interfaceIndex, const char* hostTarget, uint16_t port,
                                 std::vector<MacAddress> advertisedMacs) {
    const auto resolve = m_resolves.find(ref);
    if (resolve != m_resolves.end()) {
        m_resolving.erase(resolve->second);
        m_resolves.erase(resolve);
    }
    m_engine->DNSServiceRefDeallocate(ref);
    if (error != kDNSServiceErr_NoError || !hostTarget || !*hostTarget) return;

    const auto running = m_queries.find(hostTarget);
    if (running != m_queries.end()) {
        // The query already asking for this host carries the latest port to its answer.
        running->second->port = port;
        running->second->advertisedMacs = std::move(advertisedMacs);
        return;
    }
    auto* query = new CAddressQuery{this, hostTarget, port, std::move(advertisedMacs)};
    if (m_engine->DNSServiceQueryRecord(&query->ref, kDNSServiceFlagsLongLivedQuery, interfaceIndex,
                                        hostTarget, kDNSServiceType_A, kDNSServiceClass_IN,
                                        AddressReply, query) != kDNSServiceErr_NoError) {
        delete query;
        return;
    }
    m_queries[query->host] = query;
}

void CDiscovery::AddressAnswered(CAddressQuery* query, const void* data, size_t length) {
    const std::string address = FormatAddress(data, length);
    const std::string hostName = CutDomain(query->host);
    const uint16_t port = query->port;
    const std::vector<MacAddress> macs = query->advertisedMacs;
    m_queries.erase(query->host);
    m_engine->DNSServiceRefDeallocate(query->ref);
    delete query;
    if (address.empty()) return;
    // Queued, so the engine thread never waits for the GUI thread.
    QMetaObject::invokeMethod(
        this,
        [this, hostName, address, port, macs] {
            Record(QString::fromLocal8Bit(hostName), hostName, address, port, macs);
        },
        Qt::QueuedConnection);
}

void CDiscovery::Record(const QString& name, const std::string& hostName,
                        const std::string& address, uint16_t port,
                        const std::vector<MacAddress>& advertisedMacs) {
    qCInfo(lcDiscovery, "sighting %s at %s port %u", hostName.c_str(), address.c_str(),
           unsigned(ntohs(port)));
    if (!g_app.m_listModel) return;
    AddOrUpdateComputer(*g_app.m_listModel, g_app.m_computers, name, hostName, address, port,
                        TickCount(), advertisedMacs);
}

void CDiscovery::RemoveSilent() {
    if (g_app.m_listModel)
        RemoveSilentComputers(*g_app.m_listModel, g_app.m_computers, TickCount());
}

bool StartDiscovery() {
    CDnsSdEngine* engine = g_app.m_dnsSd;
    if (!engine || !engine->Start()) return false;
    if (!g_app.m_discovery) g_app.m_discovery = std::make_unique<CDiscovery>(engine);
    if (!g_app.m_browseRef)
        engine->DNSServiceBrowse(&g_app.m_browseRef, 0, 0, kServiceType, kServiceDomain,
                                 BrowseReply, g_app.m_discovery.get());
    return true;
}

void RestartBrowse() {
    CDiscovery* discovery = g_app.m_discovery.get();
    if (!discovery || !discovery->Engine()->IsRunning()) return;
    CDnsSdEngine* engine = discovery->Engine();
    // Cleared before the new browse, so a browse that fails to start is never released twice.
    if (DNSServiceRef running = std::exchange(g_app.m_browseRef, nullptr))
        engine->DNSServiceRefDeallocate(running);
    engine->DNSServiceBrowse(&g_app.m_browseRef, 0, 0, kServiceType, kServiceDomain, BrowseReply,
                             discovery);
}

void CloseDiscovery() {
    if (g_app.m_dnsSd) g_app.m_dnsSd->Close();
    g_app.m_browseRef = nullptr;
    g_app.m_discovery.reset();
}

void BrowseReply(DNSServiceRef, DNSServiceFlags, uint32_t interfaceIndex, DNSServiceErrorType,
                 const char* serviceName, const char* regType, const char* replyDomain,
                 void* context) {
    static_cast<CDiscovery*>(context)->Resolve(interfaceIndex, serviceName, regType, replyDomain);
}

void ResolveReply(DNSServiceRef ref, DNSServiceFlags, uint32_t interfaceIndex,
                  DNSServiceErrorType error, const char*, const char* hostTarget, uint16_t port,
                  uint16_t txtLength, const unsigned char* txtRecord, void* context) {
    static_cast<CDiscovery*>(context)->ResolveAnswered(ref, error, interfaceIndex, hostTarget, port,
                                                       MacsFromTxt(txtRecord, txtLength));
}

void AddressReply(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType, const char*,
                  uint16_t, uint16_t, uint16_t rdLength, const void* rdata, uint32_t,
                  void* context) {
    auto* query = static_cast<CDiscovery::CAddressQuery*>(context);
    query->discovery->AddressAnswered(query, rdata, rdLength);
}
