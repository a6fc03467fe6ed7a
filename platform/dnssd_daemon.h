#pragma once

#include "platform/dnssd.h"

#include <atomic>
#include <set>

struct AvahiClient;
struct AvahiThreadedPoll;
struct AvahiTimeout;

namespace platform {

// The DNS-SD calls over the system's avahi-daemon (libavahi-client over D-Bus, on a threaded
// poll). The program then opens no mDNS socket of its own. Operations outlive the daemon: when it
// goes away the engine keeps them, connects again as soon as the daemon is back on the bus and
// starts their lookups anew, so a browse reports every instance again.
class CDaemonDnsSd : public CDnsSdEngine {
public:
    CDaemonDnsSd() = default;
    ~CDaemonDnsSd() override;

    // Starts even while no daemon answers; the lookups begin once one does.
    bool Start() override;
    // Starts only when a daemon answers on the system bus now.
    bool StartIfAnswering();
    void Close() override;
    bool IsRunning() const override;
    size_t LiveOperations() const override;
    // Whether the daemon answers at the moment.
    bool Connected() const;

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
    struct COperation;

    bool Start(bool waitForDaemon);
    // Engine thread or before the poll runs, under the engine lock.
    bool Connect(bool waitForDaemon);
    void Disconnect();
    void RetryIn(int milliseconds);
    bool BeginLookup(COperation* operation);
    DNSServiceErrorType Adopt(DNSServiceRef* ref, COperation* operation);
    static void EndLookup(COperation* operation);
    void ClientStateChanged(AvahiClient* client, int state);
    void Retry();
    friend struct CDaemonCallbacks;

    AvahiThreadedPoll* m_poll = nullptr;
    AvahiClient* m_client = nullptr;
    AvahiTimeout* m_retry = nullptr;
    std::atomic<bool> m_running = false;
    std::atomic<bool> m_connected = false;
    bool m_pollStarted = false;
    bool m_waitLogged = false;
    bool m_lost = false;                   // the daemon went away since the last connection
    std::set<DNSServiceRef> m_operations;  // guarded by the engine lock
};

}  // namespace platform
