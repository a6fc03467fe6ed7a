#pragma once

#include "helper/advertiser.h"
#include "platform/daemon_client.h"

#include <avahi-common/strlst.h>

#include <QList>
#include <QByteArray>

#include <vector>

struct AvahiClient;
struct AvahiEntryGroup;
struct AvahiThreadedPoll;

// Publishes the helper's service through the system's avahi-daemon (an entry group over D-Bus):
// the service alone, on the daemon's host name and addresses, so the helper opens no mDNS socket
// and announces no host of its own. A service name taken on the link gives way to the next free
// one; when the daemon comes back after going away, the service is registered again.
class CDaemonAdvertiser {
public:
    explicit CDaemonAdvertiser(CAdvertiser::Config config);
    ~CDaemonAdvertiser();
    CDaemonAdvertiser(const CDaemonAdvertiser&) = delete;
    CDaemonAdvertiser& operator=(const CDaemonAdvertiser&) = delete;

    // With waitForDaemon false it fails unless the daemon answers on the system bus now; with
    // it true it waits for the daemon to appear. False (with a log line) when it cannot start.
    bool Start(bool waitForDaemon);
    void Stop();

private:
    // On the poll thread (or before it runs).
    void Answered(AvahiClient* client, int state);
    void GroupStateChanged(AvahiEntryGroup* group, int state);
    void Publish(AvahiClient* client);
    friend struct CDaemonAdvertiserCallbacks;

    CAdvertiser::Config m_config;
    std::vector<int> m_interfaces;  // kernel indexes; empty: every interface
    platform::CDaemonClient m_daemon;
    AvahiThreadedPoll* m_poll = nullptr;
    AvahiEntryGroup* m_group = nullptr;
    char* m_serviceName = nullptr;
};

// The TXT strings as avahi keeps them, in the given order; the caller frees the list.
AvahiStringList* TxtStrings(const QList<QByteArray>& txt);
