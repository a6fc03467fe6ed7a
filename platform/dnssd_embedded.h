#pragma once

#include "platform/dnssd_avahi.h"

struct AvahiServer;

namespace platform {

// The mDNS engine inside the process (avahi-core on its threaded poll), for machines without an
// avahi-daemon. It shares the mDNS port with any other responder on the machine.
class CEmbeddedDnsSd : public CAvahiDnsSd {
public:
    // Record cache entries per interface, as the engine was always given.
    static constexpr unsigned kCacheEntries = 4096;

    CEmbeddedDnsSd() = default;
    ~CEmbeddedDnsSd() override;

    bool Start() override;

private:
    struct COperation;

    bool StartServer();
    std::unique_ptr<CDnsSdOperation> NewOperation() const override;
    int BeginLookup(CDnsSdOperation* operation) override;
    void EndLookup(CDnsSdOperation* operation) override;
    void FreeEngine() override;

    AvahiServer* m_server = nullptr;
};

}  // namespace platform
