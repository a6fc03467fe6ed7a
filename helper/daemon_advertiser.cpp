#include "helper/daemon_advertiser.h"

#include "connection/protocol.h"
#include "platform/dnssd_avahi.h"

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

// While the system bus itself is missing, it is looked for this often.
constexpr int kRetryMs = 1000;

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
    static void OnClientState(AvahiClient* client, AvahiClientState state, void* self) {
        static_cast<CDaemonAdvertiser*>(self)->ClientStateChanged(client, state);
    }
    static void OnGroupState(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self) {
        static_cast<CDaemonAdvertiser*>(self)->GroupStateChanged(group, state);
    }
    static void OnRetry(AvahiTimeout*, void* self) {
        static_cast<CDaemonAdvertiser*>(self)->Retry();
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

CDaemonAdvertiser::CDaemonAdvertiser(CAdvertiser::Config config) : m_config(std::move(config)) {}

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
    if (!Connect(waitForDaemon) && !waitForDaemon) {
        Stop();
        return false;
    }
    if (avahi_threaded_poll_start(m_poll) < 0) {
        Stop();
        return false;
    }
    return true;
}

void CDaemonAdvertiser::Stop() {
    if (!m_poll) return;
    avahi_threaded_poll_stop(m_poll);
    if (m_retry) avahi_threaded_poll_get(m_poll)->timeout_free(m_retry);
    // Freeing the group withdraws the service from the daemon.
    FreeGroup(m_group);
    if (m_client) avahi_client_free(m_client);
    avahi_threaded_poll_free(m_poll);
    avahi_free(m_serviceName);
    m_retry = nullptr;
    m_client = nullptr;
    m_group = nullptr;
    m_poll = nullptr;
    m_serviceName = nullptr;
}

bool CDaemonAdvertiser::Connect(bool waitForDaemon) {
    int error = 0;
    // The client calls back from inside avahi_client_new when the daemon answers at once.
    AvahiClient* client = avahi_client_new(
        avahi_threaded_poll_get(m_poll), waitForDaemon ? AVAHI_CLIENT_NO_FAIL : AvahiClientFlags(0),
        CDaemonAdvertiserCallbacks::OnClientState, this, &error);
    if (client) {
        m_client = client;
        return true;
    }
    if (!waitForDaemon) return false;
    if (!m_waitLogged)
        m_config.onLog(QStringLiteral("avahi-daemon not reachable (%1); trying again every second")
                           .arg(Text(avahi_strerror(error))));
    m_waitLogged = true;
    RetryIn(kRetryMs);
    return false;
}

void CDaemonAdvertiser::RetryIn(int milliseconds) {
    platform::ArmTimeout(m_poll, &m_retry, milliseconds, CDaemonAdvertiserCallbacks::OnRetry, this);
}

void CDaemonAdvertiser::Retry() {
    avahi_threaded_poll_get(m_poll)->timeout_update(m_retry, nullptr);
    // A failed client is not used again: a new one waits for the daemon.
    FreeGroup(m_group);
    if (m_client) avahi_client_free(m_client);
    m_client = nullptr;
    m_group = nullptr;
    Connect(true);
}

void CDaemonAdvertiser::ClientStateChanged(AvahiClient* client, int state) {
    switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            m_waitLogged = false;
            Publish(client);
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The daemon is (re)announcing its host name; the service follows once it runs.
            if (m_group) avahi_entry_group_reset(m_group);
            break;
        case AVAHI_CLIENT_CONNECTING:
            if (!m_waitLogged)
                m_config.onLog(QStringLiteral("waiting for avahi-daemon on the system bus"));
            m_waitLogged = true;
            break;
        case AVAHI_CLIENT_FAILURE:
        default:
            m_config.onLog(QStringLiteral("avahi-daemon went away (%1); advertising again once it "
                                          "is back")
                               .arg(Text(avahi_strerror(avahi_client_errno(client)))));
            RetryIn(0);
            break;
    }
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
