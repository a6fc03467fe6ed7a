#include "helper/helper_session.h"

#include "connection/password_hash.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

const QByteArray kChallenge("A\xe9");

// Answers and commands end to end are checked against the real helper over TCP.
class HelperSession : public ::testing::Test {
protected:
    CHelperSession Session() {
        CHelperSession::Events events;
        events.onCommand = [this](const QByteArray& word) {
            m_commands << QString::fromLatin1(word);
        };
        events.onLog = [this](const QString& line) { m_log << line; };
        return CHelperSession(PasswordHash("Secret"), kChallenge, events);
    }
    static QByteArray Authorise(const QString& password) {
        return "Authorise: " + AuthorisationValue(PasswordHash(password), kChallenge).toLatin1() +
               '\0';
    }

    QStringList m_commands;
    QStringList m_log;
};

TEST_F(HelperSession, ServesNothingButTheChallengeBeforeTheAuthorisation) {
    CHelperSession session = Session();
    EXPECT_TRUE(session.Feed("Conn").isEmpty()) << "a message ends only at its NUL";
    EXPECT_EQ(session.Feed(QByteArray("ect\0Ping\0Dormo\0", 15)).mid(8), kChallenge + '\0');
    EXPECT_TRUE(m_commands.isEmpty());
    EXPECT_EQ(session.Feed(Authorise("sEcReT")), QByteArray("Authorise : succeeded\0", 22));
    session.Feed(QByteArray("Sleep\0dormo\0", 13));
    EXPECT_EQ(m_commands, QStringList({"Sleep"})) << "command words are case-sensitive";
}

TEST_F(HelperSession, RefusesAWrongValueAndEndsTheSession) {
    CHelperSession session = Session();
    EXPECT_EQ(session.Feed(Authorise("other") + QByteArray("Dormo\0", 6)),
              QByteArray("Authorise : failed\0", 19));
    EXPECT_TRUE(session.ShouldClose());
    EXPECT_TRUE(m_commands.isEmpty());
}

TEST_F(HelperSession, LogsOnlyPrintableTextOfUnknownMessages) {
    Session().Feed(QByteArray("\x1b[2Jodd\x01\0", 9));
    ASSERT_FALSE(m_log.isEmpty());
    EXPECT_EQ(m_log.last(), "unknown message \"?[2Jodd?\"");
}

// Whatever a client repeats that has no place in the conversation, it is dropped after a few
// messages with a few log lines, not one line per message for as long as it likes.
TEST_F(HelperSession, EndsAfterAFewMessagesOutOfPlace) {
    for (const QByteArray& message :
         {QByteArray(1, '\0'), QByteArray("Connect\0", 8), QByteArray("Ping\0", 5),
          QByteArray("Dormo\0", 6), QByteArray("what?\0", 6)}) {
        m_log.clear();
        CHelperSession session = Session();
        const QByteArray replies = session.Feed(message.repeated(1000));
        EXPECT_TRUE(session.ShouldClose()) << message.constData();
        EXPECT_LE(m_log.size(), 4) << message.constData();
        EXPECT_LE(replies.count("Connect:"), 1) << message.constData();
    }
    EXPECT_TRUE(m_commands.isEmpty());
}

}  // namespace
