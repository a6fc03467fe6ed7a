#pragma once

#include "connection/protocol.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <avahi-common/thread-watch.h>
#include <avahi-core/core.h>
#include <avahi-core/publish.h>

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <functional>
#include <memory>

class CDaemonAdvertiser;

// Advertises the helper as "_vh-dormo._tcp" in "local.". Where the system's avahi-daemon answers
// on the D-Bus system bus, through it (see daemon_advertiser.h), so the host keeps one mDNS stack;
// otherwise through the embedded mDNS engine, under a host name of its own with an A record for
// "<host>.local.". Either runs on a thread of its own.
class CAdvertiser {
public:
    enum class Engine { Automatic, Daemon, Embedded };
    struct Config {
        QString hostName;        // embedded engine only; empty: the machine's host name
        QStringList interfaces;  // empty: every interface
        uint16_t port = kDefaultPort;
        QList<QByteArray> txt;  // TXT strings "key=value", published as given
        Engine engine = Engine::Automatic;
        std::function<void(const QString& line)> onLog;
    };

    explicit CAdvertiser(Config config);
    ~CAdvertiser();
    CAdvertiser(const CAdvertiser&) = delete;
    CAdvertiser& operator=(const CAdvertiser&) = delete;

    // Starts the engine; false (with a log line) when it cannot start. Automatic takes the daemon
    // when it answers now and the embedded engine otherwise; Daemon waits for the daemon.
    bool Start();
    void Stop();

private:
    bool StartEmbedded();
    static void OnServerState(AvahiServer* server, AvahiServerState state, void* self);
    static void OnGroupState(AvahiServer* server, AvahiSEntryGroup* group,
                             AvahiEntryGroupState state, void* self);
    void Publish(AvahiServer* server);

    Config m_config;
    AvahiThreadedPoll* m_poll = nullptr;
    AvahiServer* m_server = nullptr;
    AvahiSEntryGroup* m_group = nullptr;
    char* m_serviceName = nullptr;
    std::unique_ptr<CDaemonAdvertiser> m_daemon;
};
