#include "connection/connection.h"
#include "connection/password_hash.h"
#include "connection_fakes.h"
#include "scripted_peer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <csignal>

namespace {

const QString kHash = PasswordHash("secret");
const QByteArray kSucceeded("Authorise : succeeded\0", 22);

void Authorise(CScriptedPeer& peer, int fd) {
    peer.ReadMessage(fd);
    CScriptedPeer::Send(fd, QByteArray("12345678CH\0", 11));
    peer.ReadMessage(fd);
    CScriptedPeer::Send(fd, kSucceeded);
}

// Answers each ping with reply until the test ends; counts the pings.
void AnswerPings(CScriptedPeer& peer, int fd, const QByteArray& reply, std::atomic<int>* pings) {
    while (!peer.Stopping()) {
        if (peer.ReadMessage(fd, 50) != "Ping") continue;
        ++*pings;
        CScriptedPeer::Send(fd, reply);
    }
}

// Sends that hit a closed peer must fail quietly, not kill the program with SIGPIPE.
struct DefaultSigpipe {
    void (*previous)(int) = std::signal(SIGPIPE, SIG_DFL);
    ~DefaultSigpipe() { std::signal(SIGPIPE, previous); }
};

class HostilePeer : public ::testing::Test {
protected:
    void Connect(const CScriptedPeer& peer) {
        m_app.SetComputer("odd", peer.Port());
        ConnectAndAuthorise(m_page, kHash, m_screen, QuickLimits());
    }

    CConnectionTestApp m_app;
    CFakePasswordPage m_page;
    CFakeCommandScreen m_screen;
};

TEST_F(HostilePeer, NoReplyToConnectGoesOnWithThePreviousChallenge) {
    g_app.m_challenge = "earlier";
    QByteArray authorise;
    CScriptedPeer peer([&](CScriptedPeer& p, int fd) {
        p.ReadMessage(fd);
        authorise = p.ReadMessage(fd);
        CScriptedPeer::Send(fd, kSucceeded);
        p.HoldUntilStopped();
    });
    Connect(peer);
    EXPECT_EQ(m_screen.m_runs, 1);
    EXPECT_EQ(g_app.m_challenge, "earlier");
    EXPECT_EQ(authorise, AuthoriseMessage(AuthorisationValue(kHash, "earlier")).chopped(1));
}

TEST_F(HostilePeer, SilenceOrACloseBeforeTheVerdictCannotEstablishTheConnection) {
    DefaultSigpipe sigpipe;
    using Script = std::function<void(CScriptedPeer&, int)>;
    for (const Script& script : std::vector<Script>{
             [](CScriptedPeer&p, int) { p.HoldUntilStopped(); },  // never reads nor answers
             [](CScriptedPeer&p, int fd) { p.ReadMessage(fd); },  // closes in mid-exchange
             [](CScriptedPeer&p, int fd) {                        // no reply to Authorise
                 p.ReadMessage(fd);
                 CScriptedPeer::Send(fd, QByteArray("12345678CH\0", 11));
                 p.HoldUntilStopped();
             }}) {
        CScriptedPeer peer(script);
        Connect(peer);
    }
    EXPECT_EQ(g_app.m_challenge, "CH");
    ASSERT_EQ(m_app.Texts(), QStringList(3, "Could not establish connection."));
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
    EXPECT_EQ(m_page.m_ends, 3);
    EXPECT_EQ(m_page.m_clears + m_screen.m_runs, 0);
}

TEST_F(HostilePeer, RepliesInTwoSegmentsAreJoinedAndTheChallengeEndsAtANulAfterItsPrefix) {
    const QByteArray nuls(kChallengeOffset, '\0');
    struct Case {
        QList<QByteArray> segments;
        QByteArray challenge;
    };
    for (const Case& c : {Case{{nuls + QByteArray("ABCD\0", 5)}, "ABCD"},
                          Case{{nuls, QByteArray("ABCD\0", 5)}, "ABCD"},
                          Case{{QByteArray("1234\0\0", 6), QByteArray("78AB\0", 5)}, "AB"},
                          Case{{"12345678AB", QByteArray("CD\0", 3)}, "ABCD"}}) {
        CScriptedPeer peer([&](CScriptedPeer& p, int fd) {
            p.ReadMessage(fd);
            for (const QByteArray& segment : c.segments) {
                CScriptedPeer::Send(fd, segment);
                QThread::msleep(50);
            }
            if (p.ReadMessage(fd) !=
                AuthoriseMessage(AuthorisationValue(kHash, c.challenge)).chopped(1))
                return;
            CScriptedPeer::Send(fd, "Authorise : succ");
            QThread::msleep(50);
            CScriptedPeer::Send(fd, QByteArray("eeded\0", 6));
        });
        Connect(peer);
        EXPECT_EQ(g_app.m_challenge, c.challenge);
    }
    EXPECT_EQ(m_screen.m_runs, 4);
}

TEST_F(HostilePeer, LoginToASilentComputerIsGivenUpAtOnceByAbortOrQuit) {
    CConnectionLimits patient = QuickLimits();
    patient.reply = std::chrono::seconds(20);
    struct Case {
        bool challengeCame;  // silent from the start, or only at the verdict
        bool quit;           // the application quits (as a closed main window makes it), or
                             // AbortLogin()
    };
    for (const Case& c :
         {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        CScriptedPeer peer([&](CScriptedPeer& p, int fd) {
            p.ReadMessage(fd);
            if (c.challengeCame) CScriptedPeer::Send(fd, QByteArray("12345678CH\0", 11));
            p.HoldUntilStopped();
        });
        m_app.SetComputer("silent", peer.Port());
        bool waiting = false;
        QTimer::singleShot(200, [&] {
            waiting = QApplication::overrideCursor() != nullptr;
            if (c.quit)
                QCoreApplication::exit(0);
            else
                EXPECT_TRUE(AbortLogin());
        });
        // Inside the application's loop, as in the program; it ends once the login is over.
        QTimer::singleShot(0, [&] {
            ConnectAndAuthorise(m_page, kHash, m_screen, patient);
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
        EXPECT_TRUE(waiting) << "the event loop turned while the login waited";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(AbortLogin());
    }
    EXPECT_EQ(m_page.m_ends, 4);
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_EQ(m_page.m_clears + m_screen.m_runs, 0);
}

TEST_F(HostilePeer, VerdictsThatDifferInCaseOrBlanksAreRefusals) {
    for (const QByteArray& verdict :
         {QByteArray("Authorise : Succeeded\0", 22), QByteArray("Authorise: succeeded\0", 21),
          QByteArray("Authorise : succeeded!", 22)}) {
        CScriptedPeer peer([&](CScriptedPeer& p, int fd) {
            p.ReadMessage(fd);
            CScriptedPeer::Send(fd, QByteArray("12345678\0", 9));
            p.ReadMessage(fd);
            CScriptedPeer::Send(fd, verdict);
            p.HoldUntilStopped();
        });
        Connect(peer);
    }
    EXPECT_EQ(m_app.Texts(), QStringList(3, "Incorrect password."));
    EXPECT_EQ(m_screen.m_runs, 0);
}

TEST_F(HostilePeer, PongsWithAnythingElseCountAsMisses) {
    for (const QByteArray& reply : {QByteArray("Ping : Pongx\0", 13), QByteArray("garbage\0", 8),
                                    QByteArray("\0Ping : Pong\0", 13)}) {
        std::atomic<int> pings{0};
        CScriptedPeer peer([&](CScriptedPeer& p, int fd) {
            Authorise(p, fd);
            AnswerPings(p, fd, reply, &pings);
        });
        m_screen.m_waitForLoss = true;
        Connect(peer);
        EXPECT_GE(pings.load(), 5);
    }
    EXPECT_EQ(m_screen.m_losses, 3);
    EXPECT_EQ(m_page.m_ends, 3);
}

TEST_F(HostilePeer, CommandsToAClosedPeerFailQuietlyAndTheLossFollows) {
    DefaultSigpipe sigpipe;
    CScriptedPeer peer([](CScriptedPeer& p, int fd) { Authorise(p, fd); });
    m_screen.m_waitForLoss = true;
    m_screen.m_script = [] {
        QThread::msleep(300);
        for (int i = 0; i < 3; ++i) SendCommand(nullptr, 0);
    };
    Connect(peer);
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_EQ(m_screen.m_losses, 1);
}

TEST_F(HostilePeer, OneMegabyteReplyIsCutToOneReceive) {
    DefaultSigpipe sigpipe;
    CScriptedPeer peer([](CScriptedPeer& p, int fd) {
        p.ReadMessage(fd);
        CScriptedPeer::Send(fd, QByteArray(1 << 20, 'x'));
    });
    Connect(peer);
    EXPECT_EQ(g_app.m_challenge, QByteArray(kMaxReply - kChallengeOffset, 'x'));
    EXPECT_EQ(m_app.Texts(), QStringList({"Incorrect password."}));
}

TEST_F(HostilePeer, LateLossOfAnEndedConnectionIsDropped) {
    CScriptedPeer silent([](CScriptedPeer& p, int fd) {
        Authorise(p, fd);
        p.HoldUntilStopped();
    });
    // The screen ends (Back) after the keep-alive reported the loss but before the GUI handled it.
    m_screen.m_script = [] {
        QDeadlineTimer deadline(15000);
        while (g_app.m_connection->MissedPings() <= 5 && !deadline.hasExpired()) QThread::msleep(5);
        QThread::msleep(50);
    };
    Connect(silent);
    ASSERT_EQ(m_screen.m_runs, 1);

    // Several pongs in one receive count as one answer.
    std::atomic<int> pings{0};
    CScriptedPeer answering([&](CScriptedPeer& p, int fd) {
        Authorise(p, fd);
        AnswerPings(p, fd, QByteArray("Ping : Pong\0Ping : Pong\0junk\0", 29), &pings);
    });
    int missed = -1;
    m_screen.m_script = [&] {
        QDeadlineTimer deadline(15000);
        while (pings < 10 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        missed = g_app.m_connection->MissedPings();
    };
    Connect(answering);
    EXPECT_EQ(m_screen.m_runs, 2);
    EXPECT_EQ(missed, 1);
    EXPECT_EQ(m_screen.m_losses, 0);
}

}  // namespace
