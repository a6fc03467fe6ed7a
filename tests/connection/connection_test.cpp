#include "connection/connection.h"
#include "connection/password_hash.h"
#include "connection_fakes.h"
#include "scripted_peer.h"

#include <gtest/gtest.h>

#include <QThread>
#include <QTimer>

#include <csignal>

namespace {

const QString kHash = PasswordHash("Secret");
const QByteArray kChallenge("12345678CH\0", 11);
const QByteArray kPong("Ping : Pong\0", 12);
using Script = std::function<void(CScriptedPeer&, int fd)>;

// Sends that hit a closed peer must fail quietly, not kill the program with SIGPIPE.
struct DefaultSigpipe {
    void (*previous)(int) = std::signal(SIGPIPE, SIG_DFL);
    ~DefaultSigpipe() { std::signal(SIGPIPE, previous); }
};

// The handheld's side of the conversation against a scripted peer.
class Connection : public ::testing::Test {
protected:
    void Connect(quint16 port, const CConnectionLimits& limits = QuickLimits(),
                 const char* address = "127.0.0.1") {
        ASSERT_NE(port, 0);
        m_app.SetComputer("study", port, address);
        ConnectAndAuthorise(m_page, kHash, m_screen, limits);
    }

    DefaultSigpipe m_sigpipe;
    CConnectionTestApp m_app;
    CFakePasswordPage m_page;
    CFakeCommandScreen m_screen;
};

// Without a reply to Connect the previous challenge stays in use.
TEST_F(Connection, RepliesInTwoSegmentsAreJoinedAndTheChallengeEndsAtANulAfterItsPrefix) {
    g_app.m_challenge = "earlier";
    const QByteArray nuls(kChallengeOffset, '\0');
    const std::pair<QList<QByteArray>, QByteArray> cases[] = {
        {{}, "earlier"},
        {{nuls + QByteArray("ABCD\0", 5)}, "ABCD"},
        {{nuls, QByteArray("ABCD\0", 5)}, "ABCD"},
        {{QByteArray("1234\0\0", 6), QByteArray("78AB\0", 5)}, "AB"},
        {{"12345678AB", QByteArray("CD\0", 3)}, "ABCD"}};
    for (const auto& [segments, challenge] : cases) {
        CScriptedPeer peer([&](CScriptedPeer& p, int fd) {
            p.ReadMessage(fd);
            for (const QByteArray& segment : segments) {
                CScriptedPeer::Send(fd, segment);
                QThread::msleep(50);
            }
            if (p.ReadMessage(fd) !=
                AuthoriseMessage(AuthorisationValue(kHash, challenge)).chopped(1))
                return;
            CScriptedPeer::Send(fd, "Authorise : succ");
            QThread::msleep(50);
            CScriptedPeer::Send(fd, QByteArray("eeded\0", 6));
        });
        Connect(peer.Port());
        EXPECT_EQ(g_app.m_challenge, challenge);
    }
    EXPECT_EQ(m_screen.m_runs, 5);
}

// Failures before the verdict end the page; any verdict but the one agreed (a reply too long is
// cut to one receive) is a refusal that keeps it.
TEST_F(Connection, NoPeerSilenceOrACloseCannotConnectAndOtherVerdictsAreRefusals) {
    const quint16 closedPort = CScriptedPeer([](CScriptedPeer&, int) {}).Port();
    const QByteArray huge(1 << 20, 'x');
    const auto verdict = [](const QByteArray& challenge, const QByteArray& answer) -> Script {
        return [=](CScriptedPeer& p, int fd) {
            p.ReadMessage(fd);
            CScriptedPeer::Send(fd, challenge);
            p.ReadMessage(fd);
            if (answer.isNull()) p.HoldUntilStopped();
            CScriptedPeer::Send(fd, answer);
        };
    };
    const QString failed = "warning: Could not establish connection.";
    const QString refused = "warning: Incorrect password.";
    const struct {
        Script script;
        const char* address;
        QString box;
    } cases[] = {
        {nullptr, "127.0.0.1", failed},
        {nullptr, "not an address", failed},
        {[](CScriptedPeer& p, int fd) { p.ReadMessage(fd); }, "127.0.0.1", failed},
        {verdict(kChallenge, {}), "127.0.0.1", failed},
        {verdict(kChallenge, QByteArray("Authorise : Succeeded\0", 22)), "127.0.0.1", refused},
        {verdict(kChallenge, QByteArray("Authorise: succeeded\0", 21)), "127.0.0.1", refused},
        {verdict(kChallenge, QByteArray("Authorise : succeeded!", 22)), "127.0.0.1", refused},
        {verdict(huge, ""), "127.0.0.1", refused}};
    QStringList boxes;
    for (const auto& c : cases) {
        CScriptedPeer peer(c.script ? c.script : [](CScriptedPeer&, int) {});
        Connect(c.script ? peer.Port() : closedPort, QuickLimits(), c.address);
        boxes << c.box;
    }
    EXPECT_EQ(m_app.Boxes(), boxes);
    EXPECT_EQ(g_app.m_challenge, QByteArray(kMaxReply - kChallengeOffset, 'x'));
    EXPECT_EQ(m_page.m_ends, 4);
    EXPECT_EQ(m_page.m_clears, 4);
    EXPECT_EQ(m_screen.m_runs, 0);
}

// Silent from the start or only at the verdict; given up by AbortLogin() or by the application
// quitting, as a closed main window makes it. The wait cursor is checked through the dialog.
TEST_F(Connection, LoginToASilentComputerIsGivenUpAtOnceByAbortOrQuit) {
    CConnectionLimits patient = QuickLimits();
    patient.reply = std::chrono::seconds(20);
    for (const auto& [challengeCame, quit] : {std::pair{false, false}, std::pair{true, false},
                                              std::pair{false, true}, std::pair{true, true}}) {
        CScriptedPeer peer([&](CScriptedPeer& p, int fd) {
            p.ReadMessage(fd);
            if (challengeCame) CScriptedPeer::Send(fd, kChallenge);
            p.HoldUntilStopped();
        });
        QTimer::singleShot(200, [&] {
            if (quit)
                QCoreApplication::exit(0);
            else
                EXPECT_TRUE(AbortLogin());
        });
        // Inside the application's loop, as in the program; it ends once the login is over.
        QTimer::singleShot(0, [&] {
            Connect(peer.Port(), patient);
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
        EXPECT_FALSE(AbortLogin());
    }
    EXPECT_EQ(m_page.m_ends, 4);
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_EQ(m_page.m_clears + m_screen.m_runs, 0);
}

// The loss comes with the fifth missed ping in a row once a pong has come, with the sixth when
// none ever came. Several pongs in one receive are one answer; any other reply is a miss.
TEST_F(Connection, LossComesAfterExactlyFiveMissedPingsOrSixWhenNoneWasAnswered) {
    CConnectionLimits limits = QuickLimits();
    limits.pong = std::chrono::milliseconds(300);
    const QByteArray pongs("Ping : Pong\0Ping : Pong\0junk\0", 29);
    struct Case {
        int answered;  // pings answered with reply, the rest unanswered
        QByteArray reply;
        int pingsUntilLoss;
    };
    for (const Case& c : {Case{0, kPong, 6}, Case{1, kPong, 6}, Case{3, kPong, 8},
                          Case{3, pongs, 8}, Case{3, QByteArray("Ping : Pongx\0", 13), 6},
                          Case{3, QByteArray("\0Ping : Pong\0", 13), 6}}) {
        int pings = 0;
        CScriptedPeer peer([&](CScriptedPeer& p, int fd) {
            p.Authorise(fd);
            while (p.ReadMessage(fd) == "Ping")  // until the connection is closed
                if (++pings <= c.answered) CScriptedPeer::Send(fd, c.reply);
        });
        m_screen.m_waitForLoss = true;
        const int losses = m_screen.m_losses;
        Connect(peer.Port(), limits);
        EXPECT_EQ(m_screen.m_losses, losses + 1);
        peer.Join();
        EXPECT_EQ(pings, c.pingsUntilLoss) << c.answered << " answered with " << c.reply.data();
    }
    EXPECT_EQ(m_page.m_ends, 6);
}

TEST_F(Connection, CommandsToAClosedPeerFailQuietlyAndTheLossFollows) {
    CScriptedPeer peer([](CScriptedPeer& p, int fd) { p.Authorise(fd); });
    m_screen.m_waitForLoss = true;
    m_screen.m_script = [] {
        QThread::msleep(300);
        for (int i = 0; i < 3; ++i) SendCommand(nullptr, 0);
    };
    Connect(peer.Port());
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_EQ(m_screen.m_losses, 1);
}

TEST_F(Connection, LateLossOfAnEndedConnectionIsDropped) {
    CScriptedPeer silent([](CScriptedPeer& p, int fd) {
        p.Authorise(fd);
        p.HoldUntilStopped();
    });
    // The screen ends (Back) after the keep-alive reported the loss but before the GUI handled it.
    m_screen.m_script = [] {
        QDeadlineTimer deadline(15000);
        while (g_app.m_connection->MissedPings() <= 5 && !deadline.hasExpired()) QThread::msleep(5);
        QThread::msleep(50);
    };
    Connect(silent.Port());
    std::atomic<int> pings{0};
    CScriptedPeer answering([&](CScriptedPeer& p, int fd) {
        p.Authorise(fd);
        while (p.ReadMessage(fd) == "Ping" && ++pings) CScriptedPeer::Send(fd, kPong);
    });
    m_screen.m_script = [&] {
        QDeadlineTimer deadline(15000);
        while (pings < 10 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    Connect(answering.Port());
    EXPECT_EQ(m_screen.m_runs, 2);
    EXPECT_EQ(m_screen.m_losses, 0);
}

}  // namespace
