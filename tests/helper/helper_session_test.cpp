#include "helper/helper_session.h"

#include "connection/password_hash.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

const QByteArray kNul(1, '\0');

class HelperSession : public ::testing::Test {
protected:
    HelperSession() : m_session(PasswordHash("Secret"), "A\xe9", Events()) {}

    CHelperSession::Events Events() {
        return {[this](const QByteArray& word) { m_commands << QString::fromLatin1(word); },
                [this](const QString& line) { m_log << line; }, [] { return true; },
                [this] { return m_mayCheck; }, [](bool) {}};
    }

    QByteArray Authorise() {
        return m_session.Feed(
            "Authorise: " + AuthorisationValue(PasswordHash("sEcReT"), "A\xe9").toLatin1() + kNul);
    }

    bool m_mayCheck = true;
    CHelperSession m_session;
    QStringList m_commands;
    QStringList m_log;
};

// Answers and commands end to end are checked against the real helper over TCP.
TEST_F(HelperSession, ServesNothingButTheChallengeBeforeTheAuthorisation) {
    EXPECT_TRUE(m_session.Feed("Conn").isEmpty()) << "a message ends only at its NUL";
    const QByteArray challenge = m_session.Feed(QByteArray("ect\0Ping\0Dormo\0", 15));
    EXPECT_EQ(challenge.mid(8), QByteArray("A\xe9\0", 3));
    EXPECT_TRUE(m_commands.isEmpty());
    EXPECT_EQ(Authorise(), QByteArray("Authorise : succeeded\0", 22));
    m_session.Feed(QByteArray("Sleep\0dormo\0", 13));
    EXPECT_EQ(m_commands, QStringList({"Sleep"})) << "command words are case-sensitive";
}

TEST_F(HelperSession, RefusesAWrongValueAndEndsTheSession) {
    const QByteArray verdict = m_session.Feed(
        "Authorise: " + AuthorisationValue(PasswordHash("other"), "A\xe9").toLatin1() + kNul +
        QByteArray("Dormo\0", 6));
    EXPECT_EQ(verdict, QByteArray("Authorise : failed\0", 19));
    EXPECT_TRUE(m_session.ShouldClose());
    EXPECT_TRUE(m_commands.isEmpty());
}

TEST_F(HelperSession, LogsOnlyPrintableTextOfUnknownMessages) {
    m_session.Feed(QByteArray("\x1b[2Jodd\x01", 8) + kNul);
    ASSERT_FALSE(m_log.isEmpty());
    EXPECT_EQ(m_log.last(), "unknown message \"?[2Jodd?\"");
}

TEST_F(HelperSession, AnAuthorisationWaitsUnansweredUntilItsPasswordMayBeChecked) {
    m_mayCheck = false;
    EXPECT_TRUE(Authorise().isEmpty());
    EXPECT_TRUE(m_session.IsWaiting());
    EXPECT_TRUE(m_session.Feed({}).isEmpty());
    m_mayCheck = true;
    EXPECT_EQ(m_session.Feed({}), QByteArray("Authorise : succeeded\0", 22));
    EXPECT_FALSE(m_session.IsWaiting());
}

// Whatever a client repeats that has no place in the conversation, it is dropped after a few
// messages with a few log lines, not one line per message for as long as it likes.
TEST_F(HelperSession, EndsAfterAFewMessagesOutOfPlace) {
    for (const QByteArray& message :
         {QByteArray(1, '\0'), QByteArray("Connect\0", 8), QByteArray("Ping\0", 5),
          QByteArray("Dormo\0", 6), QByteArray("what?\0", 6)}) {
        m_log.clear();
        CHelperSession session(PasswordHash("Secret"), "A\xe9", Events());
        const QByteArray replies = session.Feed(message.repeated(1000));
        EXPECT_TRUE(session.ShouldClose()) << message.constData();
        EXPECT_LE(m_log.size(), 4) << message.constData();
        EXPECT_LE(replies.count("Connect:"), 1) << message.constData();
    }
    EXPECT_TRUE(m_commands.isEmpty());
}

}  // namespace
