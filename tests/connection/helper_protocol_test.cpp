#include "app/settings.h"
#include "connection/connection.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "connection_fakes.h"

#include "common/helper_process.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QThread>

#include <csignal>

namespace {

const QString kComputer = QStringLiteral("study");

// The handheld against a real dormo-helper on loopback.
class HelperProtocol : public ::testing::Test {
protected:
    void Connect(CHelperProcess& helper, const QString& password,
                 const CConnectionLimits& limits = QuickLimits()) {
        ASSERT_NE(helper.Port(), 0) << helper.Log().constData();
        m_app.SetComputer(kComputer, helper.Port());
        ConnectAndAuthorise(m_page, PasswordHash(password), m_screen, limits);
    }

    CConnectionTestApp m_app;
    CFakePasswordPage m_page;
    CFakeCommandScreen m_screen;
};

TEST_F(HelperProtocol, RightPasswordRunsTheScreenAndEveryCommandArrives) {
    CHelperProcess helper("Secret");
    m_screen.m_script = [] {
        for (int row = 0; row <= 5; ++row) SendCommand(nullptr, row);
    };
    Connect(helper, "Secret");
    EXPECT_EQ(m_screen.m_runs, 1);
    EXPECT_TRUE(m_screen.m_connectedWhileRunning);
    EXPECT_EQ(m_page.m_ends, 1);
    EXPECT_EQ(m_page.m_clears, 0);
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(m_app.Texts(),
              QStringList({"Dormo command sent", "Sleep command sent", "Restart command sent",
                           "Lock command sent", "Hibernate command sent"}));
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].flags, platform::MB_OK | platform::MB_ICONINFORMATION);
    // Each word came with its NUL: the helper frames messages by it and logs each word.
    for (const char* word : {"Dormo", "Sleep", "Restart", "Lock", "Hibernate"})
        EXPECT_TRUE(helper.WaitForLog(QStringLiteral("command %1\n").arg(word))) << word;
    EXPECT_TRUE(helper.WaitForLog("connection closed"));
    EXPECT_FALSE(helper.Log().contains("unknown message"));
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), PasswordHash("Secret"));
}

TEST_F(HelperProtocol, WithConfirmCommandsOnOnlyACommandAnsweredYesGoesOut) {
    SaveConfirmCommands(g_app, true);
    CHelperProcess helper("Secret");
    m_app.m_boxes.Answer(platform::IDNO);
    m_app.m_boxes.Answer(platform::IDYES);
    m_screen.m_script = [] {
        SendCommand(nullptr, 1);
        SendCommand(nullptr, 3);
    };
    Connect(helper, "Secret");
    EXPECT_EQ(m_app.Texts(),
              QStringList({"Send Sleep to study?", "Send Lock to study?", "Lock command sent"}));
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].flags, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_TRUE(helper.WaitForLog("connection closed"));
    EXPECT_FALSE(helper.Log().contains("command Sleep"));
    EXPECT_TRUE(helper.Log().contains("command Lock"));
}

TEST_F(HelperProtocol, AnyLetterCaseAndChallengesWithByteE9OrNothingAuthorise) {
    for (const auto& [password, challengeHex, challenge] :
         {std::tuple{"sECRET", "41e942", QByteArray("A\xe9\x42")},
          std::tuple{"Secret", "", QByteArray()}}) {
        CHelperProcess helper("Secret", {"--challenge-hex", challengeHex});
        Connect(helper, password);
        EXPECT_EQ(g_app.m_challenge, challenge);
    }
    EXPECT_EQ(m_screen.m_runs, 2);
    EXPECT_TRUE(m_app.Texts().isEmpty());
}

TEST_F(HelperProtocol, WrongPasswordIsRefusedAndItsSavedHashDeletedUnlessSavingIsOff) {
    CHelperProcess helper("Secret");
    WriteSavedHash(kComputer, PasswordHash("old"));
    Connect(helper, "wrong");
    EXPECT_EQ(m_screen.m_runs, 0);
    EXPECT_EQ(m_page.m_ends, 0);
    EXPECT_EQ(m_page.m_clears, 1);
    ASSERT_EQ(m_app.Texts(), QStringList({"Incorrect password."}));
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].owner, &m_page.m_widget);
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
    EXPECT_FALSE(ReadSavedHash(kComputer));
    EXPECT_TRUE(helper.WaitForLog("authorisation failed"));

    // With saving off, saved values are neither deleted nor written.
    g_app.m_savePasswords = false;
    WriteSavedHash(kComputer, "kept");
    Connect(helper, "wrong");
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), "kept");
    Connect(helper, "Secret");
    EXPECT_EQ(m_screen.m_runs, 1);
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), "kept");
}

TEST_F(HelperProtocol, HelperThatStopsAnsweringPingsIsReportedLost) {
    CHelperProcess helper("Secret");
    m_screen.m_waitForLoss = true;
    int missedWhileAnswered = -1;
    m_screen.m_script = [&] {
        // Let a few pongs come, then silence the helper.
        QDeadlineTimer deadline(15000);
        while (g_app.m_connection->MissedPings() != 1 && !deadline.hasExpired())
            QThread::msleep(10);
        QThread::msleep(200);
        missedWhileAnswered = g_app.m_connection->MissedPings();
        helper.Signal(SIGUSR1);
    };
    Connect(helper, "Secret");
    EXPECT_EQ(missedWhileAnswered, 1);
    EXPECT_EQ(m_screen.m_losses, 1);
    EXPECT_EQ(m_page.m_ends, 1);
    EXPECT_FALSE(IsConnected());
}

TEST_F(HelperProtocol, UnreachableComputerEndsThePasswordPage) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    m_app.SetComputer(kComputer, port);
    ConnectAndAuthorise(m_page, PasswordHash("x"), m_screen, QuickLimits());
    m_app.SetComputer(kComputer, port, "not an address");
    ConnectAndAuthorise(m_page, PasswordHash("x"), m_screen, QuickLimits());
    EXPECT_EQ(m_app.Texts(),
              QStringList({"Could not establish connection.", "Could not establish connection."}));
    EXPECT_EQ(m_page.m_ends, 2);
    EXPECT_EQ(m_screen.m_runs, 0);
}

}  // namespace
