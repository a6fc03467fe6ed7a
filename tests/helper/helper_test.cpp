#include "connection/password_hash.h"
#include "connection/protocol.h"
#include "helper/helper_server.h"
#include "helper/helper_session.h"
#include "helper/login_throttle.h"
#include "helper/password_source.h"
#include "helper/wake_info.h"
#include "platform/tcp_socket.h"

#include "common/eventually.h"
#include "common/files.h"
#include "common/helper_process.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStringList>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kLimit(5000);

// Connects from source (any address of 127.0.0.0/8 acts as another machine).
int Open(quint16 port, const char* source = "127.0.0.1") {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in from{AF_INET, 0, {::inet_addr(source)}, {}};
    const sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    const timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QByteArray Challenge(int fd) {
    platform::SendBytes(fd, kConnectMessage);
    return ChallengeFromReply(platform::ReceiveReply(fd, kMaxReply, kLimit));
}

// Sends message; the reply's text, empty when none came.
QByteArray Ask(int fd, const QByteArray& message) {
    platform::SendBytes(fd, message);
    return ReplyText(platform::ReceiveReply(fd, kMaxReply, kLimit));
}

QByteArray Authorise(int fd, const QByteArray& challenge, const QString& password) {
    return Ask(fd, AuthoriseMessage(AuthorisationValue(PasswordHash(password), challenge)));
}

// Connects, logs in and disconnects; returns the verdict.
QByteArray LogIn(quint16 port, const char* source = "127.0.0.1",
                 const QString& password = "Secret") {
    const int fd = Open(port, source);
    const QByteArray verdict = Authorise(fd, Challenge(fd), password);
    platform::CloseSocket(fd);
    return verdict;
}

bool ClosedByHelper(int fd) {
    char byte;
    for (int i = 0; i < 100; ++i) {
        const QByteArray got = platform::ReceiveReply(fd, 1, kLimit);
        if (!got.isEmpty()) continue;
        // Unread bytes make the helper's close a reset rather than an orderly end.
        const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno == ECONNRESET);
    }
    return false;
}

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

TEST(HelperSession, ServesOnlyAfterTheRightAuthorisationAndEndsOnAWrongOneOrMessagesOutOfPlace) {
    CRecordedSession in;
    EXPECT_TRUE(in.session.Feed("Conn").isEmpty()) << "a message ends only at its NUL";
    EXPECT_EQ(in.session.Feed(QByteArray("ect\0Ping\0", 9)).mid(8), kChallenge + '\0');
    EXPECT_EQ(in.session.Feed(AuthoriseWith("sEcReT")), QByteArray("Authorise : succeeded\0", 22));
    in.session.Feed(QByteArray("Sleep\0dormo\0", 13));
    EXPECT_EQ(in.commands, QStringList({"Sleep"})) << "command words are case-sensitive";

    // Another password, and the right value cut short, emptied or lengthened.
    const QByteArray right = AuthoriseWith("Secret").chopped(1);
    for (const QByteArray& wrong : {AuthoriseWith("other").chopped(1), right.chopped(1),
                                    QByteArray("Authorise: "), right + '0'}) {
        CRecordedSession out;
        EXPECT_EQ(out.session.Feed(wrong + '\0' + QByteArray("Dormo\0", 6)),
                  QByteArray("Authorise : failed\0", 19))
            << wrong.constData();
        EXPECT_TRUE(out.session.ShouldClose());
        EXPECT_TRUE(out.commands.isEmpty());
    }

    // Repeated messages out of place end the session after a few log lines of printable text.
    for (const QByteArray& message :
         {QByteArray(1, '\0'), QByteArray("Connect\0", 8), QByteArray("Ping\0", 5),
          QByteArray("Dormo\0", 6), QByteArray("\x1b[2Jodd\x01\0", 9)}) {
        CRecordedSession flooded;
        const QByteArray replies = flooded.session.Feed(message.repeated(1000));
        EXPECT_TRUE(flooded.session.ShouldClose()) << message.constData();
        EXPECT_LE(flooded.log.size(), 4) << message.constData();
        EXPECT_LE(replies.count("Connect:"), 1) << message.constData();
        EXPECT_TRUE(flooded.commands.isEmpty());
        EXPECT_FALSE(flooded.log.join(u' ').contains(QChar(0x1b)))
            << flooded.log.join(u' ').toStdString();
    }
}

// 14 addresses fill one TXT string of 255 bytes exactly: "mac=", then 17 bytes each and commas.
TEST(MacTxt, EachAddressOnceAndAsManyWholeOnesAsFitOneTxtString) {
    std::vector<platform::CLinkInterface> interfaces;
    for (uint8_t i = 0; i < 20; ++i) interfaces.push_back({"eth", {0x02, 0, 0, 0, 0, i}});
    interfaces.insert(interfaces.begin() + 1, interfaces[0]);
    const QByteArray txt = MacTxt(interfaces);
    EXPECT_EQ(txt.size(), 255);
    EXPECT_TRUE(txt.startsWith("mac=02:00:00:00:00:00,02:00:00:00:00:01,")) << txt.constData();
    EXPECT_TRUE(txt.endsWith(",02:00:00:00:00:0d")) << txt.constData();
    EXPECT_EQ(MacTxt({}), "");
}

using Clock = CLoginThrottle::Clock;

constexpr uint32_t kGuesser = 1;
constexpr uint32_t kOther = 2;

TEST(LoginThrottle, RefusalsInARowCostAnAddressEverLongerWaitsThatEndInBoundedRoom) {
    CLoginThrottle throttle({});
    Clock::time_point now = Clock::time_point() + 1000h;
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
    now += 3h;
    EXPECT_EQ(throttle.Refused(kGuesser, now), 1) << "long quiet forgives";

    // Many addresses take bounded room and cannot wash a guesser out.
    for (int i = 0; i < 6; ++i) throttle.Refused(kGuesser, now);
    for (uint32_t address = 10; address < 5010; ++address) throttle.Refused(address, now);
    EXPECT_LE(throttle.Size(), 1024u);
    EXPECT_GT(throttle.Wait(kGuesser, now), 0s);
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

    // A client logged in first is served on past the time limit on logging in.
    const int kept = Open(server.Port(), "127.0.0.9");
    ASSERT_EQ(Authorise(kept, Challenge(kept), "Secret"), kAuthorisedReply);

    // Guesses: the free ones are answered, the next waits unanswered.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(LogIn(server.Port(), "127.0.0.8", "guess"), kRefusedReply);
    const int guess = Open(server.Port(), "127.0.0.8");
    EXPECT_EQ(Authorise(guess, Challenge(guess), "guess"), "") << "not checked before its time";
    platform::CloseSocket(guess);
    EXPECT_EQ(LogIn(server.Port(), "127.0.0.3"), kAuthorisedReply);
    EXPECT_EQ(lines("authorisation failed from 127.0.0.8"), 3);

    // Connections that trickle bytes without ever ending a message: from one address more than it
    // may have, then from others until every slot is taken. Each is dropped soon all the same.
    std::vector<int> attack;
    for (const char* source : {"127.0.0.2", "127.0.0.2", "127.0.0.2", "127.0.0.2", "127.0.0.2",
                               "127.0.0.2", "127.0.0.4", "127.0.0.5", "127.0.0.6", "127.0.0.7"}) {
        attack.push_back(Open(server.Port(), source));
        platform::SendBytes(attack.back(), "C");
    }
    EXPECT_EQ(LogIn(server.Port(), "127.0.0.3"), kAuthorisedReply);
    EXPECT_EQ(lines("too many connections without the password from 127.0.0.2"), 2);
    for (int fd : attack) {
        EXPECT_TRUE(ClosedByHelper(fd));
        platform::CloseSocket(fd);
    }
    EXPECT_EQ(Ask(kept, kPingMessage), kPongReply);
    platform::CloseSocket(kept);

    // Garbage from many addresses is cut short, in the connection and in the log.
    for (int i = 0; i < 40; ++i) {
        const int fd =
            Open(server.Port(), QStringLiteral("127.0.1.%1").arg(i + 1).toLatin1().constData());
        platform::SendBytes(fd, QByteArray(64 * 1024, '\0'));
        ASSERT_TRUE(ClosedByHelper(fd)) << i;
        platform::CloseSocket(fd);
    }
    EXPECT_EQ(LogIn(server.Port(), "127.0.0.3"), kAuthorisedReply);
    EXPECT_LT(lines({}), 100);
}

TEST(HelperProcess, ServesClientsAtOnceDropsSilentFloodingAndNonReadingOnesAndServesOn) {
    CHelperProcess helper("Secret", {"--idle-timeout", "2"});
    ASSERT_NE(helper.Port(), 0);
    std::vector<int> clients(4);  // as many as one address may have waiting to authorise
    std::vector<QByteArray> challenges;
    for (int& fd : clients) fd = Open(helper.Port());
    for (int fd : clients) challenges.push_back(Challenge(fd));
    EXPECT_NE(challenges[0], challenges[1]) << "each connection gets a fresh challenge";
    for (size_t i = 0; i < clients.size(); ++i)
        EXPECT_EQ(Authorise(clients[i], challenges[i], "secret"), kAuthorisedReply);
    for (int fd : clients) {
        EXPECT_EQ(Ask(fd, kPingMessage), kPongReply);
        platform::CloseSocket(fd);
    }
    for (const auto& [bytes, why] : {std::pair{QByteArray(), "silent too long"},
                                     std::pair{QByteArray(1 << 20, 'x'), "message too long"}}) {
        const int fd = Open(helper.Port());
        platform::SendBytes(fd, bytes);
        EXPECT_TRUE(ClosedByHelper(fd)) << why;
        EXPECT_TRUE(helper.WaitForLog(why));
        platform::CloseSocket(fd);
    }

    const int deaf = Open(helper.Port());
    ASSERT_EQ(Authorise(deaf, Challenge(deaf), "Secret"), kAuthorisedReply);
    const QByteArray pings = kPingMessage.repeated(40000);
    for (int i = 0; i < 20 && platform::SendBytes(deaf, pings); ++i) {
    }
    EXPECT_TRUE(helper.WaitForLog("does not read"));
    platform::CloseSocket(deaf);

    for (int i = 0; i < 20; ++i) EXPECT_EQ(LogIn(helper.Port()), kAuthorisedReply);
    EXPECT_TRUE(helper.WaitForLog("connection closed", 27));
    EXPECT_FALSE(helper.Log().contains("Secret"));
}

TEST(HelperProcess, RestsWhileOutOfDescriptorsAndServesAgainAfter) {
    CHelperProcess helper("Secret", {"sh", "-c", "ulimit -n 16 && exec \"$0\" \"$@\""},
                          {"--port", "0", "--listen-address", "127.0.0.1", "--no-advertise"});
    ASSERT_NE(helper.Port(), 0) << helper.Log().constData();
    // Clients are served until the helper has no descriptor left for the next one.
    std::vector<int> served;
    int waiting = -1;
    while (waiting < 0 && served.size() < 16) {
        const int fd = Open(helper.Port());
        const QByteArray challenge = Challenge(fd);
        if (challenge.isEmpty()) {
            waiting = fd;
        } else {
            EXPECT_EQ(Authorise(fd, challenge, "Secret"), kAuthorisedReply);
            served.push_back(fd);
        }
    }
    ASSERT_GE(waiting, 0);
    EXPECT_TRUE(helper.WaitForLog("cannot accept connections"));
    for (int fd : served) platform::CloseSocket(fd);
    // The waiting client's "Connect" is answered once its connection is taken.
    const QByteArray challenge =
        ChallengeFromReply(platform::ReceiveReply(waiting, kMaxReply, kLimit));
    EXPECT_EQ(Authorise(waiting, challenge, "Secret"), kAuthorisedReply);
    EXPECT_TRUE(helper.WaitForLog("accepting connections again"));
    EXPECT_EQ(helper.Log().count("cannot accept"), 1) << "once for the seconds it lasted";
    platform::CloseSocket(waiting);
}

QString Stored(const QString& path) {
    QString error;
    return ReadPasswordFile(path, &error).value_or(QString());
}

TEST(PasswordFile, TakesTheFirstLineOfAPrivateFileOnly) {
    QTemporaryDir dir;
    EXPECT_EQ(Stored(WriteFile(dir.filePath("a"), "S3cret pass\r\nsecond\n")), "S3cret pass");
    const QString link = dir.filePath("link");
    ASSERT_EQ(::symlink(WriteFile(dir.filePath("b"), "pw\n").toLocal8Bit().constData(),
                        link.toLocal8Bit().constData()),
              0);
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& refused :
         {WriteFile(dir.filePath("c"), "pw\n", 0660), WriteFile(dir.filePath("d"), "pw\n", 0604),
          link, fifo, dir.filePath("missing"), dir.path()})
        EXPECT_EQ(Stored(refused), "") << refused.toStdString();
    // A private file of another user is refused too (only root can hand one over here).
    const QString others = WriteFile(dir.filePath("e"), "pw\n");
    if (::chown(QFile::encodeName(others).constData(), 65534, 65534) == 0) {
        EXPECT_EQ(Stored(others), "");
    }
}

TEST(SetPassword, StoresWhatDormoCanSendForRootAloneAndTheHelperRefusesItOnceOthersMayRead) {
    const QByteArray pair = "\xF0\x9F\x98\x80";  // two UTF-16 units, four UTF-8 bytes
    const std::pair<QByteArray, bool> cases[] = {{QByteArray(1023, 'a'), false},
                                                 {QByteArray(1022, 'a'), true},
                                                 {pair.repeated(512), false},
                                                 {pair.repeated(511), true},
                                                 {"", false},
                                                 {"caf\xE9", false},  // not UTF-8
                                                 {"Secret", true}};
    QTemporaryDir dir;
    const QString folder = dir.filePath("etc");
    const QString path = folder + "/password";
    QString stored;
    for (const auto& [input, accepted] : cases) {
        SCOPED_TRACE(input.size());
        QProcess process;
        process.start(QStringLiteral(DORMO_HELPER_BINARY),
                      {"--set-password", "--password-file", path});
        process.write(input + "\nsecond line\n");
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(15000));
        EXPECT_EQ(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                  accepted);
        if (accepted) stored = QString::fromUtf8(input);
        EXPECT_EQ(Stored(path).toStdString(), stored.toStdString());
    }
    EXPECT_EQ(Mode(path), 0600);
    EXPECT_EQ(Mode(folder), 0700);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"password"});

    ASSERT_EQ(::chmod(path.toLocal8Bit().constData(), 0604), 0);
    QProcess helper;
    helper.start(DORMO_HELPER_BINARY, {"--password-file", path, "--port", "0", "--listen-address",
                                       "127.0.0.1", "--no-advertise"});
    ASSERT_TRUE(helper.waitForFinished(10000));
    EXPECT_NE(helper.exitCode(), 0);
    EXPECT_TRUE(helper.readAllStandardError().contains("chmod 600"));
}

TEST(SetPassword, AsksTwiceOnATerminalWithoutShowingThePassword) {
    for (const auto& [second, stored] :
         {std::pair{"Typed secret", true}, std::pair{"Typed secreT", false}}) {
        QTemporaryDir dir;
        const QByteArray path = dir.filePath("password").toLocal8Bit();
        // Each answer is typed after its prompt: echo goes off with the input typed so far.
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            ::execl(DORMO_HELPER_BINARY, DORMO_HELPER_BINARY, "--set-password", "--password-file",
                    path.constData(), nullptr);
            ::_exit(127);
        }
        const QByteArray answers[] = {"Typed secret\n", QByteArray(second) + "\n"};
        QByteArray shown;
        qsizetype answered = 0;
        char buffer[256];
        pollfd readable{terminal, POLLIN, 0};
        while (::poll(&readable, 1, 15000) > 0) {
            const ssize_t n = ::read(terminal, buffer, sizeof buffer);
            if (n <= 0) break;
            shown.append(buffer, n);
            if (answered < 2 && shown.count("password: ") > answered) {
                const QByteArray& line = answers[answered++];
                if (::write(terminal, line.constData(), size_t(line.size())) != line.size()) break;
            }
        }
        ::close(terminal);
        int status = -1;
        ::waitpid(pid, &status, 0);
        EXPECT_FALSE(shown.contains("secre")) << shown.constData();
        EXPECT_EQ(WIFEXITED(status) && WEXITSTATUS(status) == 0, stored);
        EXPECT_EQ(Stored(dir.filePath("password")), stored ? "Typed secret" : "");
    }
}

}  // namespace

// With --execute each command word runs its own system call, and without it none: stand-ins for
// systemctl and loginctl, alone on PATH so the real ones can never run, write down their calls.
TEST(HelperProcess, ExecuteRunsTheSystemCallOfEachCommandWordAndNothingElseDoes) {
    QTemporaryDir bin;
    const QString calls = bin.filePath("calls");
    const QByteArray script = "#!/bin/sh\necho \"${0##*/} $*\" >> '" + calls.toUtf8() + "'\n";
    for (const char* tool : {"systemctl", "loginctl"}) WriteFile(bin.filePath(tool), script, 0700);
    for (const bool execute : {false, true}) {
        QStringList arguments{"--port", "0", "--listen-address", "127.0.0.1", "--no-advertise"};
        if (execute) arguments << "--execute";
        CHelperProcess helper("Secret", {"env", "PATH=" + bin.path()}, arguments);
        ASSERT_NE(helper.Port(), 0) << helper.Log().constData();
        const int fd = Open(helper.Port());
        ASSERT_EQ(Authorise(fd, Challenge(fd), "Secret"), kAuthorisedReply);
        // One word at a time: the calls run on their own and could finish out of order.
        for (size_t row = 0; row < kCommandWords.size(); ++row) {
            platform::SendBytes(fd, QByteArray(kCommandWords[row]) + '\0');
            EXPECT_TRUE(helper.WaitForLog(QStringLiteral("command %1\n").arg(kCommandWords[row])));
            EXPECT_TRUE(
                !execute ||
                Eventually([&] { return FileBytes(calls).count('\n') > qsizetype(row); }, 5000));
        }
        platform::CloseSocket(fd);
    }
    EXPECT_EQ(FileBytes(calls),
              "systemctl poweroff\nsystemctl suspend\nsystemctl reboot\n"
              "loginctl lock-sessions\nsystemctl hibernate\n");
}
