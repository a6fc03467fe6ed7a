#pragma once

#include "platform/daemon_client.h"
#include "platform/dnssd_avahi.h"

#include <atomic>

namespace platform {

// The DNS-SD calls over the system's avahi-daemon (libavahi-client over D-Bus, on a threaded
// poll). The program then opens no mDNS socket of its own. Operations outlive the daemon: when it
// goes away the engine keeps them, connects again as soon as the daemon is back on the bus and
// starts their lookups anew, so a browse reports every instance again.
class CDaemonDnsSd : public CAvahiDnsSd {
public:
    CDaemonDnsSd();
    ~CDaemonDnsSd() override;

    // Starts even while no daemon answers; the lookups begin once one does.
    bool Start() override;
    // Starts only when a daemon answers on the system bus now.
    bool StartIfAnswering();
    // Whether the daemon answers at the moment.
    bool Connected() const;

private:
    struct COperation;

    bool Start(bool waitForDaemon);
    std::unique_ptr<CDnsSdOperation> NewOperation() const override;
    int BeginLookup(CDnsSdOperation* operation) override;
    void EndLookup(CDnsSdOperation* operation) override;
    void FreeEngine() override;
    // Engine thread, under the engine lock.
    void Answered(AvahiClient* client);
    void Lost();

    CDaemonClient m_daemon;
    AvahiClient* m_client = nullptr;
    std::atomic<bool> m_connected = false;
};

}  // namespace platform
