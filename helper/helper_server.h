#pragma once

#include "connection/protocol.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The helper's TCP side: accepts clients on one port and runs a CHelperSession for each, all on
// the calling thread with poll(). Usable without any advertising.
class CHelperServer {
public:
    struct Config {
        std::string listenAddress = "0.0.0.0";
        uint16_t port = kDefaultPort;  // 0 picks a free port
        QString passwordHash;
        std::optional<QByteArray> fixedChallenge;  // otherwise a fresh one per connection
        std::chrono::seconds idleLimit{30};
        // A connection must be authorised this soon after it was accepted, whatever it sends.
        std::chrono::milliseconds authLimit{5000};
        int maxClients = 32;
        // Connections not yet authorised from one source address.
        int maxUnauthorisedPerAddress = 4;
        // The wait before the next check once an address has had its free refusals; it doubles
        // with each further refusal.
        std::chrono::milliseconds refusalDelay{500};
        std::function<void(const QByteArray& word)> onCommand;
        std::function<void(const QString& line)> onLog;
    };

    explicit CHelperServer(Config config);
    ~CHelperServer();
    CHelperServer(const CHelperServer&) = delete;
    CHelperServer& operator=(const CHelperServer&) = delete;

    // Binds and listens; false (with a log line) when that fails.
    bool Listen();
    uint16_t Port() const { return m_port; }
    // Serves until Stop() is called from any thread or a signal handler.
    void Run();
    void Stop();

    std::atomic<bool> m_answerPings{true};

private:
    Config m_config;
    int m_listener = -1;
    int m_wakePipe[2] = {-1, -1};
    uint16_t m_port = 0;
};
