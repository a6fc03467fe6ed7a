#pragma once

#include "platform/dnssd.h"
#include "platform/dnssd_daemon.h"
#include "platform/dnssd_embedded.h"

#include <QString>

#include <atomic>
#include <functional>

namespace platform {

// The engine the program runs with. Each start picks the system's avahi-daemon when it answers on
// the system bus and the embedded engine otherwise, so that a host never runs two mDNS stacks;
// the preference, read at each start, can name one instead: "daemon" (which then waits for the
// daemon to appear) or "embedded". One dormo.discovery line says which engine runs.
class CChosenDnsSd : public CDnsSdEngine {
public:
    explicit CChosenDnsSd(std::function<QString()> preference);
    ~CChosenDnsSd() override;

    bool Start() override;
    void Close() override;
    bool IsRunning() const override;
    size_t LiveOperations() const override;
    // Whether the running engine is the daemon's.
    bool UsesDaemon() const;

    DNSServiceErrorType DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags flags,
                                         uint32_t interfaceIndex, const char* regType,
                                         const char* domain, DNSServiceBrowseReply callback,
                                         void* context) override;
    DNSServiceErrorType DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                          uint32_t interfaceIndex, const char* name,
                                          const char* regType, const char* domain,
                                          DNSServiceResolveReply callback, void* context) override;
    DNSServiceErrorType DNSServiceQueryRecord(DNSServiceRef* ref, DNSServiceFlags flags,
                                              uint32_t interfaceIndex, const char* fullName,
                                              uint16_t rrType, uint16_t rrClass,
                                              DNSServiceQueryRecordReply callback,
                                              void* context) override;
    void DNSServiceRefDeallocate(DNSServiceRef ref) override;

private:
    CDnsSdEngine* StartChosen();

    std::function<QString()> m_preference;
    CDaemonDnsSd m_daemon;
    CEmbeddedDnsSd m_embedded;
    std::atomic<CDnsSdEngine*> m_active = nullptr;
};

}  // namespace platform
