#pragma once

#include <QString>

#include <functional>

struct AvahiClient;
struct AvahiThreadedPoll;
struct AvahiTimeout;

namespace platform {

// A libavahi-client connection to the system's avahi-daemon (over D-Bus) on its owner's threaded
// poll. It outlives the daemon: when the daemon or the bus goes away, a new client waits for it to
// come back. Its calls and events run on the poll's thread, or on the owner's thread before the
// poll's thread runs or after it stopped.
class CDaemonClient {
public:
    struct Events {
        // The daemon answers: AVAHI_CLIENT_S_RUNNING, or S_REGISTERING or S_COLLISION while it
        // (re)announces its host name.
        std::function<void(AvahiClient* client, int state)> onAnswer;
        // The daemon went away, and whatever was made through the client with it: the owner lets
        // go of its part before a new client takes the place of this one.
        std::function<void()> onLost;
        std::function<void(const QString& line)> onLog;
    };

    explicit CDaemonClient(Events events);
    ~CDaemonClient();
    CDaemonClient(const CDaemonClient&) = delete;
    CDaemonClient& operator=(const CDaemonClient&) = delete;

    // With waitForDaemon false, false unless the daemon answers on the system bus now; with it
    // true, keeps trying until it does (and says so once).
    bool Connect(AvahiThreadedPoll* poll, bool waitForDaemon);
    // Frees the client, and with it what was made through it. Not while the poll's thread runs.
    void Disconnect();

private:
    void ClientStateChanged(AvahiClient* client, int state);
    void RetryIn(int milliseconds);
    void Retry();
    void Log(const QString& line) const;
    friend struct CDaemonClientCallbacks;

    Events m_events;
    AvahiThreadedPoll* m_poll = nullptr;
    AvahiClient* m_client = nullptr;
    AvahiTimeout* m_retry = nullptr;
    bool m_waitLogged = false;
    bool m_lost = false;  // the daemon went away since the last connection
};

}  // namespace platform
