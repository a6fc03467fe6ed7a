#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <avahi-common/thread-watch.h>
#include <avahi-core/core.h>
#include <avahi-core/publish.h>

#include <cstdint>
#include <functional>

// Advertises the helper as "_vh-dormo._tcp" in "local." through the embedded mDNS engine, under
// a host name of its own with an A record for "<host>.local.". The engine runs on its own thread.
class CAdvertiser {
public:
    struct Config {
        QString hostName;        // empty: the machine's host name
        QStringList interfaces;  // empty: every interface
        uint16_t port = 4660;
        QList<QByteArray> txt;  // TXT strings "key=value", published as given
        std::function<void(const QString& line)> onLog;
    };

    explicit CAdvertiser(Config config);
    ~CAdvertiser();
    CAdvertiser(const CAdvertiser&) = delete;
    CAdvertiser& operator=(const CAdvertiser&) = delete;

    // Starts the engine; false (with a log line) when it cannot start.
    bool Start();
    void Stop();

private:
    static void OnServerState(AvahiServer* server, AvahiServerState state, void* self);
    static void OnGroupState(AvahiServer* server, AvahiSEntryGroup* group,
                             AvahiEntryGroupState state, void* self);
    void Publish(AvahiServer* server);

    Config m_config;
    AvahiThreadedPoll* m_poll = nullptr;
    AvahiServer* m_server = nullptr;
    AvahiSEntryGroup* m_group = nullptr;
    char* m_serviceName = nullptr;
};
