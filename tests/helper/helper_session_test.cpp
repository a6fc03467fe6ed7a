#include "helper/helper_server.h"
#include "helper/helper_session.h"
#include "helper/login_throttle.h"

#include "common/helper_client.h"

#include <gtest/gtest.h>

#include <QScopeGuard>
#include <QStringList>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace helper_client;
using namespace std::chrono_literals;

const QByteArray kChallenge("A\xe9");

// A session for the password "Secret" that records its commands and log lines.
struct CRecordedSession {
    CHelperSession::Events Recording() {
        CHelperSession::Events events;
        events.onCommand = [this](const QByteArray& word) { commands << word; };
        events.onLog = [this](const QString& line) { log << line; };
        return events;
    }

    QStringList commands, log;
    CHelperSession session{PasswordHash("Secret"), kChallenge, Recording()};
};

QByteArray AuthoriseWith(const QString& password) {
    return "Authorise: " + AuthorisationValue(PasswordHash(password), kChallenge).toLatin1() + '\0';
}

TEST(HelperSession, ServesNothingButTheChallengeBeforeTheAuthorisationAndEndsOnAWrongOne) {
    CRecordedSession in;
    EXPECT_TRUE(in.session.Feed("Conn").isEmpty()) << "a message ends only at its NUL";
    EXPECT_EQ(in.session.Feed(QByteArray("ect\0Ping\0Dormo\0", 15)).mid(8), kChallenge + '\0');
    EXPECT_TRUE(in.commands.isEmpty());
    EXPECT_EQ(in.session.Feed(AuthoriseWith("sEcReT")), QByteArray("Authorise : succeeded\0", 22));
    in.session.Feed(QByteArray("Sleep\0dormo\0", 13));
    EXPECT_EQ(in.commands, QStringList({"Sleep"})) << "command words are case-sensitive";

    CRecordedSession out;
    EXPECT_EQ(out.session.Feed(AuthoriseWith("other") + QByteArray("Dormo\0", 6)),
              QByteArray("Authorise : failed\0", 19));
    EXPECT_TRUE(out.session.ShouldClose());
    EXPECT_TRUE(out.commands.isEmpty());
}

// Whatever a client repeats that has no place in the conversation ends the session after a few
// messages and log lines, and what it sent is logged as printable text only.
TEST(HelperSession, EndsAfterAFewMessagesOutOfPlace) {
    for (const QByteArray& message :
         {QByteArray(1, '\0'), QByteArray("Connect\0", 8), QByteArray("Ping\0", 5),
          QByteArray("Dormo\0", 6), QByteArray("\x1b[2Jodd\x01\0", 9)}) {
        CRecordedSession out;
        const QByteArray replies = out.session.Feed(message.repeated(1000));
        EXPECT_TRUE(out.session.ShouldClose()) << message.constData();
        EXPECT_LE(out.log.size(), 4) << message.constData();
        EXPECT_LE(replies.count("Connect:"), 1) << message.constData();
        EXPECT_TRUE(out.commands.isEmpty());
        EXPECT_FALSE(out.log.join(u' ').contains(QChar(0x1b))) << out.log.join(u' ').toStdString();
    }
}

using Clock = CLoginThrottle::Clock;

const Clock::time_point kStart = Clock::time_point() + 1000h;
constexpr uint32_t kGuesser = 1;
constexpr uint32_t kOther = 2;

TEST(LoginThrottle, RefusalsInARowCostAnAddressEverLongerWaitsThatEnd) {
    CLoginThrottle throttle({});
    Clock::time_point now = kStart;
    throttle.Refused(kGuesser, now);
    EXPECT_EQ(throttle.Wait(kGuesser, now), 0s) << "a typo costs nothing";

    std::vector<Clock::duration> waits;
    for (int i = 0; i < 20; ++i) {
        throttle.Refused(kGuesser, now);
        waits.push_back(throttle.Wait(kGuesser, now));
        EXPECT_EQ(throttle.Wait(kOther, now), 0s);
        now += waits.back();
        EXPECT_EQ(throttle.Wait(kGuesser, now), 0s) << "a wait ends";
    }
    EXPECT_GT(waits[2], waits[1]);
    EXPECT_GT(waits[3], waits[2]);
    EXPECT_GE(waits.back(), 1min);
    EXPECT_LE(waits.back(), 1h);

    throttle.Accepted(kGuesser);
    throttle.Refused(kGuesser, now);
    EXPECT_EQ(throttle.Wait(kGuesser, now), 0s) << "the right password clears";
    for (int i = 0; i < 5; ++i) throttle.Refused(kGuesser, now);
    EXPECT_EQ(throttle.Refused(kGuesser, now + 3h), 1) << "long quiet forgives";
}

TEST(LoginThrottle, ManyAddressesTakeBoundedRoomAndCannotWashAGuesserOut) {
    CLoginThrottle throttle({});
    for (int i = 0; i < 6; ++i) throttle.Refused(kGuesser, kStart);
    for (uint32_t address = 10; address < 5010; ++address) throttle.Refused(address, kStart);
    EXPECT_LE(throttle.Size(), 1024u);
    EXPECT_GT(throttle.Wait(kGuesser, kStart), 0s);
}

// A server on 127.0.0.1 in this process, on a thread of its own; clients come from other
// loopback addresses to act as other machines. Strangers may not shut out the right password.
TEST(HelperServer, GuessersStrangersAndGarbageNeverShutOutTheRightPassword) {
    std::mutex mutex;
    QStringList log;
    CHelperServer::Config config;
    config.listenAddress = "127.0.0.1";
    config.port = 0;
    config.passwordHash = PasswordHash("Secret");
    config.authLimit = 3s;
    config.maxClients = 8;
    config.refusalDelay = 1min;
    config.onLog = [&](const QString& line) {
        const std::lock_guard lock(mutex);
        log << line;
    };
    CHelperServer server(config);
    ASSERT_TRUE(server.Listen());
    std::thread thread([&] { server.Run(); });
    const auto stop = qScopeGuard([&] {
        server.Stop();
        thread.join();
    });
    const auto lines = [&](const QString& text) {
        const std::lock_guard lock(mutex);
        return log.filter(text).size();
    };
    const auto logIn = [&](const char* source, const char* password = "Secret") {
        const int fd = Open(server.Port(), source);
        const QByteArray verdict = Authorise(fd, Challenge(fd), password);
        platform::CloseSocket(fd);
        return verdict;
    };

    // Guesses: the free ones are answered, the next waits unanswered.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(logIn("127.0.0.8", "guess"), kRefusedReply);
    const int guess = Open(server.Port(), "127.0.0.8");
    EXPECT_EQ(Authorise(guess, Challenge(guess), "guess"), "") << "not checked before its time";
    platform::CloseSocket(guess);
    EXPECT_EQ(logIn("127.0.0.3"), kAuthorisedReply);
    EXPECT_EQ(lines("authorisation failed from 127.0.0.8"), 3);

    // Connections that trickle bytes without ever ending a message: from one address more than it
    // may have, then from others until every slot is taken. Each is dropped soon all the same.
    std::vector<int> attack;
    for (const char* source : {"127.0.0.2", "127.0.0.2", "127.0.0.2", "127.0.0.2", "127.0.0.2",
                               "127.0.0.2", "127.0.0.4", "127.0.0.5", "127.0.0.6", "127.0.0.7"}) {
        attack.push_back(Open(server.Port(), source));
        platform::SendBytes(attack.back(), "C");
    }
    EXPECT_EQ(logIn("127.0.0.3"), kAuthorisedReply);
    EXPECT_EQ(lines("too many connections without the password from 127.0.0.2"), 2);
    const auto dropped = [](int fd) {
        char byte;
        return !platform::SendBytes(fd, "o") || ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0 ||
               errno == ECONNRESET;
    };
    for (int round = 0; round < 50 && !std::all_of(attack.begin(), attack.end(), dropped); ++round)
        std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(std::all_of(attack.begin(), attack.end(), dropped));
    for (int fd : attack) platform::CloseSocket(fd);

    // Garbage from many addresses is cut short, in the connection and in the log.
    for (int i = 0; i < 40; ++i) {
        const int fd =
            Open(server.Port(), QStringLiteral("127.0.1.%1").arg(i + 1).toLatin1().constData());
        platform::SendBytes(fd, QByteArray(64 * 1024, '\0'));
        ASSERT_TRUE(ClosedByHelper(fd)) << i;
        platform::CloseSocket(fd);
    }
    EXPECT_EQ(logIn("127.0.0.3"), kAuthorisedReply);
    EXPECT_LT(lines({}), 100);
}

}  // namespace
