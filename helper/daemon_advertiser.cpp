#include "helper/daemon_advertiser.h"

#include "connection/protocol.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>

#include <dlfcn.h>
#include <net/if.h>

#include <utility>

namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

// avahi-core, which the embedded engine links in, exports an avahi_entry_group_free of its own,
// and the dynamic linker takes that one even for libavahi-client's calls. So the group is freed
// here through the client library's own function, before the client (which would free it through
// the wrong one) goes.
void FreeGroup(AvahiEntryGroup* group) {
    using FreeFunction = int (*)(AvahiEntryGroup*);
    static const auto freeGroup = reinterpret_cast<FreeFunction>(
        dlsym(dlopen("libavahi-client.so.3", RTLD_LAZY | RTLD_NOLOAD), "avahi_entry_group_free"));
    if (group && freeGroup) freeGroup(group);
}

}  // namespace

struct CDaemonAdvertiserCallbacks {
    static void OnGroupState(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self) {
        static_cast<CDaemonAdvertiser*>(self)->GroupStateChanged(group, state);
    }
};

AvahiStringList* TxtStrings(const QList<QByteArray>& txt) {
    AvahiStringList* list = nullptr;
    for (const QByteArray& text : txt)
        list = avahi_string_list_add_arbitrary(
            list, reinterpret_cast<const uint8_t*>(text.constData()), size_t(text.size()));
    // Each string was put in front of the ones before it.
    return avahi_string_list_reverse(list);
}

CDaemonAdvertiser::CDaemonAdvertiser(CAdvertiser::Config config)
    : m_config(std::move(config)),
      m_daemon({[this](AvahiClient* client, int state) { Answered(client, state); },
                [this] {
                    FreeGroup(m_group);
                    m_group = nullptr;
                },
                m_config.onLog}) {}

CDaemonAdvertiser::~CDaemonAdvertiser() {
    Stop();
}

bool CDaemonAdvertiser::Start(bool waitForDaemon) {
    for (const QString& name : m_config.interfaces) {
        const unsigned index = if_nametoindex(name.toLocal8Bit().constData());
        if (index == 0) {
            m_config.onLog(QStringLiteral("no network interface %1").arg(name));
            return false;
        }
        m_interfaces.push_back(int(index));
    }
    m_poll = avahi_threaded_poll_new();
    if (!m_poll) return false;
    if ((!m_daemon.Connect(m_poll, waitForDaemon) && !waitForDaemon) ||
        avahi_threaded_poll_start(m_poll) < 0) {
        Stop();
        return false;
    }
    return true;
}

void CDaemonAdvertiser::Stop() {
    if (!m_poll) return;
    avahi_threaded_poll_stop(m_poll);
    // Freeing the group withdraws the service from the daemon.
    FreeGroup(m_group);
    m_daemon.Disconnect();
    avahi_threaded_poll_free(m_poll);
    avahi_free(m_serviceName);
    m_group = nullptr;
    m_poll = nullptr;
    m_serviceName = nullptr;
}

void CDaemonAdvertiser::Answered(AvahiClient* client, int state) {
    if (state == AVAHI_CLIENT_S_RUNNING)
        Publish(client);
    else if (m_group)
        // The daemon is (re)announcing its host name; the service follows once it runs.
        avahi_entry_group_reset(m_group);
}

void CDaemonAdvertiser::GroupStateChanged(AvahiEntryGroup* group, int state) {
    AvahiClient* client = avahi_entry_group_get_client(group);
    if (state == AVAHI_ENTRY_GROUP_COLLISION) {
        char* name = avahi_alternative_service_name(m_serviceName);
        m_config.onLog(QStringLiteral("service name %1 is taken, now %2")
                           .arg(Text(m_serviceName), Text(name)));
        avahi_free(m_serviceName);
        m_serviceName = name;
        avahi_entry_group_reset(group);
        Publish(client);
    } else if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
        m_config.onLog(QStringLiteral("advertising \"%1\" on %2 port %3 through avahi-daemon")
                           .arg(Text(m_serviceName), Text(avahi_client_get_host_name_fqdn(client)))
                           .arg(m_config.port));
    } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
        m_config.onLog(QStringLiteral("cannot advertise: %1")
                           .arg(Text(avahi_strerror(avahi_client_errno(client)))));
    }
}

void CDaemonAdvertiser::Publish(AvahiClient* client) {
    // The handheld shows the host name, so the service carries the daemon's host name.
    if (!m_serviceName) m_serviceName = avahi_strdup(avahi_client_get_host_name(client));
    if (!m_serviceName) return;
    if (!m_group)
        m_group = avahi_entry_group_new(client, CDaemonAdvertiserCallbacks::OnGroupState, this);
    if (!m_group || !avahi_entry_group_is_empty(m_group)) return;

    AvahiStringList* txt = TxtStrings(m_config.txt);
    const std::vector<int> interfaces =
        m_interfaces.empty() ? std::vector<int>{AVAHI_IF_UNSPEC} : m_interfaces;
    int error = AVAHI_OK;
    for (int interface : interfaces) {
        error = avahi_entry_group_add_service_strlst(
            m_group, interface, AVAHI_PROTO_INET, AvahiPublishFlags(0), m_serviceName, kServiceType,
            nullptr, nullptr, m_config.port, txt);
        if (error < 0) break;
    }
    avahi_string_list_free(txt);
    if (error == AVAHI_ERR_COLLISION) {
        // Another program on this host registered the name with the daemon already.
        GroupStateChanged(m_group, AVAHI_ENTRY_GROUP_COLLISION);
        return;
    }
    if (error >= 0) error = avahi_entry_group_commit(m_group);
    if (error < 0)
        m_config.onLog(QStringLiteral("cannot advertise: %1").arg(Text(avahi_strerror(error))));
}
