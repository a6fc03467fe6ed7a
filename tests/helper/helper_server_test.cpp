#include "helper/helper_server.h"

#include "common/helper_client.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace helper_client;
using namespace std::chrono_literals;

// A helper server on 127.0.0.1 in this process, served on a thread of its own; clients come
// from other loopback addresses to act as other machines.
class HelperServer : public ::testing::Test {
protected:
    ~HelperServer() override {
        if (!m_thread.joinable()) return;
        m_server->Stop();
        m_thread.join();
    }

    void Start(CHelperServer::Config config) {
        config.listenAddress = "127.0.0.1";
        config.port = 0;
        config.passwordHash = PasswordHash("Secret");
        config.onLog = [this](const QString& line) {
            const std::lock_guard lock(m_mutex);
            m_log << line;
        };
        m_server = std::make_unique<CHelperServer>(config);
        ASSERT_TRUE(m_server->Listen());
        m_thread = std::thread([this] { m_server->Run(); });
    }

    int Open(const char* source) { return helper_client::Open(m_server->Port(), source); }
    bool LogIn(const char* source) {
        const int fd = Open(source);
        const bool in = Authorise(fd, Challenge(fd), "Secret") == kAuthorisedReply;
        platform::CloseSocket(fd);
        return in;
    }
    QStringList Log() {
        const std::lock_guard lock(m_mutex);
        return m_log;
    }

    std::unique_ptr<CHelperServer> m_server;
    std::thread m_thread;
    std::mutex m_mutex;
    QStringList m_log;
};

TEST_F(HelperServer, StrangersHoldingSlotsAreDroppedAndLeaveRoomForOthers) {
    CHelperServer::Config config;
    config.authLimit = 3s;
    config.maxClients = 8;
    Start(config);
    // Connections that each say a little now and then without ever ending a message: from one
    // address more than it may have, then from others until every slot is taken.
    std::vector<int> attack;
    for (const char* source : {"127.0.0.2", "127.0.0.2", "127.0.0.2", "127.0.0.2", "127.0.0.2",
                               "127.0.0.2", "127.0.0.4", "127.0.0.5", "127.0.0.6", "127.0.0.7"}) {
        attack.push_back(Open(source));
        platform::SendBytes(attack.back(), "C");
    }
    EXPECT_TRUE(LogIn("127.0.0.3"));
    EXPECT_EQ(Log().filter("too many connections without the password from 127.0.0.2").size(), 2);
    // They go on talking; each is dropped all the same, soon after it came.
    const auto dropped = [](int fd) {
        char byte;
        return !platform::SendBytes(fd, "o") || ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0 ||
               errno == ECONNRESET;
    };
    for (int round = 0; round < 50 && !std::all_of(attack.begin(), attack.end(), dropped); ++round)
        std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(std::all_of(attack.begin(), attack.end(), dropped));
    for (int fd : attack) platform::CloseSocket(fd);
}

TEST_F(HelperServer, GuessesFromOneAddressWaitWhileTheRightPasswordFromAnotherGetsIn) {
    CHelperServer::Config config;
    config.authLimit = 3s;
    config.refusalDelay = 1min;
    Start(config);
    for (int i = 0; i < 3; ++i) {
        const int fd = Open("127.0.0.2");
        EXPECT_EQ(Authorise(fd, Challenge(fd), "guess"), "Authorise : failed");
        platform::CloseSocket(fd);
    }
    const int fd = Open("127.0.0.2");
    EXPECT_EQ(Authorise(fd, Challenge(fd), "guess"), "") << "not checked before its time";
    platform::CloseSocket(fd);
    EXPECT_TRUE(LogIn("127.0.0.3"));
    EXPECT_EQ(Log().filter("authorisation failed from 127.0.0.2").size(), 3);
}

TEST_F(HelperServer, GarbageFromManyAddressesIsCutShortInTheConnectionAndInTheLog) {
    Start(CHelperServer::Config());
    for (int i = 0; i < 40; ++i) {
        const int fd = Open(QStringLiteral("127.0.1.%1").arg(i + 1).toLatin1().constData());
        platform::SendBytes(fd, QByteArray(64 * 1024, '\0'));
        ASSERT_TRUE(ClosedByHelper(fd)) << i;
        platform::CloseSocket(fd);
    }
    EXPECT_TRUE(LogIn("127.0.0.3"));
    EXPECT_LT(Log().size(), 100);
}

}  // namespace
