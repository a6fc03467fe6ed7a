#include "platform/daemon_client.h"

#include <avahi-client/client.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>

#include <utility>

namespace platform {

namespace {

// While the system bus itself is missing, it is looked for this often; while the bus is there,
// the client hears the daemon come back at once.
constexpr int kRetryMs = 1000;

QString Text(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

}  // namespace

// The client's callbacks reach the private members through this.
struct CDaemonClientCallbacks {
    static void OnClientState(AvahiClient* client, AvahiClientState state, void* self) {
        static_cast<CDaemonClient*>(self)->ClientStateChanged(client, state);
    }
    static void OnRetry(AvahiTimeout*, void* self) { static_cast<CDaemonClient*>(self)->Retry(); }
};

CDaemonClient::CDaemonClient(Events events) : m_events(std::move(events)) {}

CDaemonClient::~CDaemonClient() {
    Disconnect();
}

bool CDaemonClient::Connect(AvahiThreadedPoll* poll, bool waitForDaemon) {
    m_poll = poll;
    int error = 0;
    // The client calls back from inside avahi_client_new when the daemon answers at once.
    AvahiClient* client = avahi_client_new(
        avahi_threaded_poll_get(m_poll), waitForDaemon ? AVAHI_CLIENT_NO_FAIL : AvahiClientFlags(0),
        CDaemonClientCallbacks::OnClientState, this, &error);
    if (client) {
        m_client = client;
        return true;
    }
    if (!waitForDaemon) return false;
    if (!m_waitLogged)
        Log(QStringLiteral("avahi-daemon not reachable (%1); trying again every %2 ms")
                .arg(Text(avahi_strerror(error)))
                .arg(kRetryMs));
    m_waitLogged = true;
    RetryIn(kRetryMs);
    return false;
}

void CDaemonClient::Disconnect() {
    if (m_retry) avahi_threaded_poll_get(m_poll)->timeout_free(m_retry);
    m_retry = nullptr;
    if (m_client) avahi_client_free(m_client);
    m_client = nullptr;
}

void CDaemonClient::ClientStateChanged(AvahiClient* client, int state) {
    m_client = client;
    switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
        case AVAHI_CLIENT_S_REGISTERING:
        case AVAHI_CLIENT_S_COLLISION:
            // After a wait or a loss, say that it answers again.
            if (std::exchange(m_lost, false) | std::exchange(m_waitLogged, false))
                Log(QStringLiteral("avahi-daemon answers now"));
            m_events.onAnswer(client, state);
            break;
        case AVAHI_CLIENT_CONNECTING:
            if (!m_waitLogged) Log(QStringLiteral("waiting for avahi-daemon on the system bus"));
            m_waitLogged = true;
            break;
        case AVAHI_CLIENT_FAILURE:
        default:
            Log(QStringLiteral("avahi-daemon went away (%1); connecting again once it is back")
                    .arg(Text(avahi_strerror(avahi_client_errno(client)))));
            m_lost = true;
            m_events.onLost();
            RetryIn(0);
            break;
    }
}

void CDaemonClient::RetryIn(int milliseconds) {
    timeval when{};
    avahi_elapse_time(&when, unsigned(milliseconds), 0);
    const AvahiPoll* api = avahi_threaded_poll_get(m_poll);
    if (m_retry)
        api->timeout_update(m_retry, &when);
    else
        m_retry = api->timeout_new(api, &when, CDaemonClientCallbacks::OnRetry, this);
}

void CDaemonClient::Retry() {
    avahi_threaded_poll_get(m_poll)->timeout_update(m_retry, nullptr);
    // A failed client is not used again: a new one waits for the daemon to come back.
    if (m_client) avahi_client_free(m_client);
    m_client = nullptr;
    Connect(m_poll, true);
}

void CDaemonClient::Log(const QString& line) const {
    if (m_events.onLog) m_events.onLog(line);
}

}  // namespace platform
