#include "helper/advertiser.h"

#include "connection/protocol.h"
#include "helper/daemon_advertiser.h"

#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>

CAdvertiser::CAdvertiser(Config config) : m_config(std::move(config)) {
    if (!m_config.onLog) m_config.onLog = [](const QString&) {};
}

CAdvertiser::~CAdvertiser() {
    Stop();
}

bool CAdvertiser::Start() {
    if (m_config.engine != Engine::Embedded) {
        const bool forced = m_config.engine == Engine::Daemon;
        m_daemon = std::make_unique<CDaemonAdvertiser>(m_config);
        if (m_daemon->Start(forced)) {
            m_config.onLog(QStringLiteral("mDNS: publishing through avahi-daemon%1")
                               .arg(m_config.hostName.isEmpty()
                                        ? QString()
                                        : QStringLiteral(" under its own host name (--host-name "
                                                         "applies to the embedded engine only)")));
            return true;
        }
        m_daemon.reset();
        if (forced) return false;
        m_config.onLog(QStringLiteral("mDNS: no avahi-daemon on the system bus; embedded engine"));
    } else {
        m_config.onLog(QStringLiteral("mDNS: embedded engine"));
    }
    return StartEmbedded();
}

bool CAdvertiser::StartEmbedded() {
    m_poll = avahi_threaded_poll_new();
    if (!m_poll) return false;

    AvahiServerConfig config;
    avahi_server_config_init(&config);
    if (!m_config.hostName.isEmpty())
        config.host_name = avahi_strdup(m_config.hostName.toUtf8().constData());
    for (const QString& name : m_config.interfaces)
        config.allow_interfaces =
            avahi_string_list_add(config.allow_interfaces, name.toUtf8().constData());
    config.use_ipv6 = 0;
    config.publish_aaaa_on_ipv4 = 0;
    config.publish_workstation = 0;
    config.publish_hinfo = 0;
    config.enable_wide_area = 0;

    int error = 0;
    // The engine may call back before this returns, on this thread: the poll is not running yet.
    m_server = avahi_server_new(avahi_threaded_poll_get(m_poll), &config,
                                &CAdvertiser::OnServerState, this, &error);
    avahi_server_config_free(&config);
    if (!m_server) {
        m_config.onLog(QStringLiteral("mDNS engine did not start: %1")
                           .arg(QString::fromUtf8(avahi_strerror(error))));
        avahi_threaded_poll_free(m_poll);
        m_poll = nullptr;
        return false;
    }
    if (avahi_threaded_poll_start(m_poll) < 0) {
        Stop();
        return false;
    }
    return true;
}

void CAdvertiser::Stop() {
    m_daemon.reset();
    if (m_poll) avahi_threaded_poll_stop(m_poll);
    if (m_server) avahi_server_free(m_server);  // frees the entry group too
    if (m_poll) avahi_threaded_poll_free(m_poll);
    avahi_free(m_serviceName);
    m_server = nullptr;
    m_group = nullptr;
    m_poll = nullptr;
    m_serviceName = nullptr;
}

void CAdvertiser::OnServerState(AvahiServer* server, AvahiServerState state, void* self) {
    auto* advertiser = static_cast<CAdvertiser*>(self);
    switch (state) {
        case AVAHI_SERVER_RUNNING: advertiser->Publish(server); break;
        case AVAHI_SERVER_COLLISION: {
            char* name = avahi_alternative_host_name(avahi_server_get_host_name(server));
            advertiser->m_config.onLog(
                QStringLiteral("host name %1 is taken, now %2")
                    .arg(QString::fromUtf8(avahi_server_get_host_name(server)),
                         QString::fromUtf8(name)));
            if (advertiser->m_group) avahi_s_entry_group_reset(advertiser->m_group);
            avahi_server_set_host_name(server, name);
            avahi_free(name);
            break;
        }
        case AVAHI_SERVER_REGISTERING:
            if (advertiser->m_group) avahi_s_entry_group_reset(advertiser->m_group);
            break;
        case AVAHI_SERVER_FAILURE:
            advertiser->m_config.onLog(
                QStringLiteral("mDNS engine failed: %1")
                    .arg(QString::fromUtf8(avahi_strerror(avahi_server_errno(server)))));
            break;
        default: break;
    }
}

void CAdvertiser::OnGroupState(AvahiServer* server, AvahiSEntryGroup*, AvahiEntryGroupState state,
                               void* self) {
    auto* advertiser = static_cast<CAdvertiser*>(self);
    if (state == AVAHI_ENTRY_GROUP_COLLISION) {
        char* name = avahi_alternative_service_name(advertiser->m_serviceName);
        advertiser->m_config.onLog(
            QStringLiteral("service name %1 is taken, now %2")
                .arg(QString::fromUtf8(advertiser->m_serviceName), QString::fromUtf8(name)));
        avahi_free(advertiser->m_serviceName);
        advertiser->m_serviceName = name;
        avahi_s_entry_group_reset(advertiser->m_group);
        advertiser->Publish(server);
    } else if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
        advertiser->m_config.onLog(
            QStringLiteral("advertising \"%1\" on %2 port %3")
                .arg(QString::fromUtf8(advertiser->m_serviceName),
                     QString::fromUtf8(avahi_server_get_host_name_fqdn(server)))
                .arg(advertiser->m_config.port));
    }
}

void CAdvertiser::Publish(AvahiServer* server) {
    // The handheld shows the host name, so the service carries the same name.
    if (!m_serviceName) m_serviceName = avahi_strdup(avahi_server_get_host_name(server));
    if (!m_group) {
        m_group = avahi_s_entry_group_new(server, &CAdvertiser::OnGroupState, this);
        if (!m_group) return;
    }
    if (!avahi_s_entry_group_is_empty(m_group)) return;
    AvahiStringList* txt = TxtStrings(m_config.txt);
    const int error = avahi_server_add_service_strlst(
        server, m_group, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, AvahiPublishFlags(0), m_serviceName,
        kServiceType, nullptr, nullptr, m_config.port, txt);
    avahi_string_list_free(txt);
    if (error < 0 || avahi_s_entry_group_commit(m_group) < 0)
        m_config.onLog(
            QStringLiteral("cannot advertise: %1").arg(QString::fromUtf8(avahi_strerror(error))));
}
