#include "connection/password_dialog.h"

#include "common/helper_process.h"
#include "common/screen_setup.h"
#include "connection/connection_fakes.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "connection/scripted_peer.h"
#include "modal_script.h"
#include "tap_steps.h"

#include <gtest/gtest.h>

namespace {

const QString kComputer = QStringLiteral("study");

class PasswordDialogTest : public ::testing::Test {
protected:
    void Open(quint16 port) {
        m_app.SetComputer(kComputer, port);
        RunPasswordDialog(nullptr, QuickLimits());
        EXPECT_FALSE(m_script.TimedOut());
        EXPECT_EQ(m_script.StepsRun(), m_script.Steps());
        EXPECT_FALSE(IsConnected());
    }
    void Open(CHelperProcess& helper) {
        ASSERT_NE(helper.Port(), 0) << helper.Log().constData();
        Open(helper.Port());
    }
    void LeaveCommandScreen() {
        m_script.When<CCommandScreen>([](CCommandScreen& screen) { ClickSoftKey(screen, 1); });
    }

    CConnectionTestApp m_app;
    CScreenSetup m_screen{96, 240, 320};
    CModalScript m_script;
};

}  // namespace

TEST_F(PasswordDialogTest, IsLaidOutAsAPageWhereAnEmptyLoginDoesNothingAndEscapeCancels) {
    CHelperProcess helper("Secret");
    m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
        page.resize(240, 320);
        EXPECT_EQ(HeaderText(page), kComputer);
        EXPECT_EQ(SoftKeys(page), (QStringList{"Login", "Cancel"}));
        auto* caption = page.findChild<CHeaderLabel*>(QStringLiteral("caption"));
        ASSERT_TRUE(caption);
        EXPECT_EQ(caption->text(), QStringLiteral("Enter Password"));
        EXPECT_EQ(g_app.m_passwordCaption, caption);
        EXPECT_EQ(page.findChild<CHeaderLabel*>(QStringLiteral("header"))->geometry(),
                  QRect(0, -1, 240, 24));
        EXPECT_EQ(caption->geometry(), QRect(0, 22, 240, 18));
        QLineEdit* edit = PasswordEdit(page);
        EXPECT_EQ(edit->geometry(), QRect(15, 24 + 18 - 1 + 15, 240 - 30, 20));
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_EQ(QApplication::focusWidget(), edit);

        ClickSoftKey(page, 0);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_TRUE(page.isVisible());
        QTest::keyClick(edit, Qt::Key_Escape);
    });
    Open(helper);
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_FALSE(helper.Log().contains("client ")) << helper.Log().constData();
    EXPECT_EQ(g_app.m_passwordHeader, nullptr);
}

TEST_F(PasswordDialogTest, RefusalEmptiesTheEditThenEnterLogsInWithTheFirst1022Characters) {
    const QByteArray password(1022, 'a');
    CHelperProcess helper(password);
    m_script.When<CPasswordDialog>([this](CPasswordDialog& page) {
        TypePasswordAndLogin(page, "wrong");
        EXPECT_TRUE(page.isVisible());
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        ASSERT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
        const auto& box = m_app.m_boxes.ShownBoxes()[0];
        EXPECT_EQ(box.owner, &page);
        EXPECT_EQ(box.caption, QStringLiteral("Dormo"));
        EXPECT_EQ(box.flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
        PasswordEdit(page)->setText(QString(1022, u'A') + QString(8, u'b'));
        QTest::keyClick(PasswordEdit(page), Qt::Key_Return);
    });
    m_script.When<CCommandScreen>([](CCommandScreen& screen) {
        EXPECT_TRUE(IsConnected());
        EXPECT_EQ(g_app.m_commandScreen, &screen);
        ClickSoftKey(screen, 1);
    });
    Open(helper);
    EXPECT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), PasswordHash(QString::fromLatin1(password)));
    EXPECT_TRUE(helper.WaitForLog("authorised"));
}

TEST_F(PasswordDialogTest, WithSavingOffTheSavedValueIsNeitherUsedNorRewritten) {
    CHelperProcess helper("Secret");
    g_app.m_savePasswords = false;
    WriteSavedHash(kComputer, "kept");
    m_script.When<CPasswordDialog>([&helper](CPasswordDialog& page) {
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        EXPECT_FALSE(helper.Log().contains("client "));
        TypePasswordAndLogin(page, "Secret");
    });
    LeaveCommandScreen();
    Open(helper);
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), "kept");
    EXPECT_TRUE(m_app.Texts().isEmpty());
}

TEST_F(PasswordDialogTest, UnansweredSavedAttemptKeepsThePlaceholderWhichLoginHashes) {
    // The first computer never answers the authorisation; the second records what comes.
    CScriptedPeer silent([](CScriptedPeer& peer, int fd) {
        peer.ReadMessage(fd);
        CScriptedPeer::Send(fd, QByteArray("12345678abc", 12));
        peer.ReadMessage(fd);
        peer.HoldUntilStopped();
    });
    QByteArray authorise;
    CScriptedPeer recording([&authorise](CScriptedPeer& peer, int fd) {
        peer.ReadMessage(fd);
        CScriptedPeer::Send(fd, QByteArray("12345678xyz", 12));
        authorise = peer.ReadMessage(fd);
        CScriptedPeer::Send(fd, QByteArray("Authorise : failed", 19));
    });
    WriteSavedHash(kComputer, PasswordHash("Secret"));
    m_script.When<CPasswordDialog>([this, &recording](CPasswordDialog& page) {
        EXPECT_EQ(PasswordEdit(page)->text(), QStringLiteral("********"));
        EXPECT_TRUE(m_app.Texts().isEmpty());
        m_app.SetComputer(kComputer, recording.Port());
        ClickSoftKey(page, 0);
        EXPECT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        ClickSoftKey(page, 1);
    });
    Open(silent.Port());
    EXPECT_EQ(authorise,
              AuthoriseMessage(AuthorisationValue(PasswordHash("********"), "xyz")).chopped(1));
}
