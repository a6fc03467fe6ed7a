#pragma once

#include "platform/dnssd.h"
#include "platform/mac_address.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// The domain browsed in for kServiceType.
inline constexpr const char* kServiceDomain = "local.";

// Discovery over one engine: the lookups in flight, which only the engine thread touches, and
// the hand-over of sightings to the GUI thread, where they reach g_app's list. Destroy it only
// after the engine has closed.
class CDiscovery : public QObject {
    Q_OBJECT
public:
    explicit CDiscovery(platform::CDnsSdEngine* engine);
    ~CDiscovery() override;

    platform::CDnsSdEngine* Engine() const { return m_engine; }

    // Engine thread.
    void Resolve(uint32_t interfaceIndex, const char* name, const char* regType,
                 const char* domain);
    void ResolveAnswered(platform::DNSServiceRef ref, platform::DNSServiceErrorType error,
                         uint32_t interfaceIndex, const char* hostTarget, uint16_t port,
                         std::vector<platform::MacAddress> advertisedMacs);
    struct CAddressQuery;
    void AddressAnswered(CAddressQuery* query, const void* data, size_t length);

private:
    // GUI thread.
    void Record(const QString& name, const std::string& hostName, const std::string& address,
                uint16_t port, const std::vector<platform::MacAddress>& advertisedMacs);
    void RemoveSilent();

    platform::CDnsSdEngine* m_engine;
    QTimer m_sweep;
    // At most one resolve per service instance and one address query per host are in flight.
    std::map<platform::DNSServiceRef, std::string> m_resolves;
    std::set<std::string> m_resolving;
    std::map<std::string, CAddressQuery*> m_queries;
};

// The address query's context: the port it carries to its answer and the host it is keyed by.
struct CDiscovery::CAddressQuery {
    CDiscovery* discovery;
    std::string host;
    uint16_t port;                                     // network byte order, as the resolve gave it
    std::vector<platform::MacAddress> advertisedMacs;  // from the resolve's TXT record
    platform::DNSServiceRef ref = nullptr;
};

// Starts g_app's engine and the first browse. False when the engine does not start.
bool StartDiscovery();
// One restart cycle: releases the running browse and starts a new one, so the engine reports
// every computer it knows of again. Does nothing once the engine is closed or failed to start.
void RestartBrowse();
// Closes g_app's engine, dropping every lookup. The restart thread must be stopped first.
void CloseDiscovery();

// The three DNS-SD replies; they run on the engine thread. The context is the CDiscovery for a
// browse or resolve and the CAddressQuery for an address query.
void BrowseReply(platform::DNSServiceRef ref, platform::DNSServiceFlags flags,
                 uint32_t interfaceIndex, platform::DNSServiceErrorType error,
                 const char* serviceName, const char* regType, const char* replyDomain,
                 void* context);
void ResolveReply(platform::DNSServiceRef ref, platform::DNSServiceFlags flags,
                  uint32_t interfaceIndex, platform::DNSServiceErrorType error,
                  const char* fullName, const char* hostTarget, uint16_t port, uint16_t txtLength,
                  const unsigned char* txtRecord, void* context);
void AddressReply(platform::DNSServiceRef ref, platform::DNSServiceFlags flags,
                  uint32_t interfaceIndex, platform::DNSServiceErrorType error,
                  const char* fullName, uint16_t rrType, uint16_t rrClass, uint16_t rdLength,
                  const void* rdata, uint32_t ttl, void* context);
