#include "helper/helper_session.h"

#include "connection/password_hash.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

const QByteArray kNul(1, '\0');

class HelperSession : public ::testing::Test {
protected:
    HelperSession()
        : m_session(
              PasswordHash("Secret"), "A\xe9",
              {[this](const QByteArray& word) { m_commands << QString::fromLatin1(word); },
               [this](const QString& line) { m_log << line; }, [this] { return m_answerPings; }}) {}

    QByteArray Authorise() {
        return m_session.Feed(
            "Authorise: " + AuthorisationValue(PasswordHash("sEcReT"), "A\xe9").toLatin1() + kNul);
    }

    CHelperSession m_session;
    QStringList m_commands;
    QStringList m_log;
    bool m_answerPings = true;
};

TEST_F(HelperSession, AuthorisesTheRightValueThenServesPingsAndCommands) {
    EXPECT_TRUE(m_session.Feed("Conn").isEmpty()) << "a message ends only at its NUL";
    const QByteArray challenge = m_session.Feed(QByteArray("ect\0Ping\0Dormo\0", 15));
    ASSERT_EQ(challenge.size(), 8 + 2 + 1);
    EXPECT_EQ(challenge.mid(8), QByteArray("A\xe9\0", 3));
    EXPECT_TRUE(m_commands.isEmpty()) << "no command before the authorisation";
    EXPECT_EQ(Authorise(), QByteArray("Authorise : succeeded\0", 22));
    EXPECT_EQ(m_session.Feed(QByteArray("Ping\0Ping\0", 10)),
              QByteArray("Ping : Pong\0Ping : Pong\0", 24));
    m_answerPings = false;
    EXPECT_EQ(m_session.Feed(QByteArray("Ping\0", 5)), "");
    m_session.Feed(QByteArray("Dormo\0Sleep\0Restart\0Lock\0Hibernate\0dormo\0", 42));
    EXPECT_EQ(m_commands, QStringList({"Dormo", "Sleep", "Restart", "Lock", "Hibernate"}));
    EXPECT_FALSE(m_session.ShouldClose());
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
    EXPECT_EQ(m_log, QStringList({"unknown message \"?[2Jodd?\""}));
}

}  // namespace
