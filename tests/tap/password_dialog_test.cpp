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

// Counts how often a password dialog was shown.
class CShowSpy : public QObject {
public:
    CShowSpy() { qApp->installEventFilter(this); }
    ~CShowSpy() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<CPasswordDialog*>(watched)) ++m_shown;
        return false;
    }
    int m_shown = 0;
};

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

TEST_F(PasswordDialogTest, IsLaidOutAsAPageForTheComputerAndCancelEndsIt) {
    m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
        page.resize(240, 320);
        EXPECT_EQ(HeaderText(page), kComputer);
        EXPECT_EQ(SoftKeys(page), (QStringList{"Login", "Cancel"}));
        auto* caption = page.findChild<CHeaderLabel*>(QStringLiteral("caption"));
        ASSERT_TRUE(caption);
        EXPECT_EQ(caption->text(), QStringLiteral("Enter Password"));
        EXPECT_EQ(g_app.m_passwordCaption, caption);
        // Header 24 high one pixel above the top; caption 2 pixels into it; edit 15 pixels in.
        EXPECT_EQ(page.findChild<CHeaderLabel*>(QStringLiteral("header"))->geometry(),
                  QRect(0, -1, 240, 24));
        EXPECT_EQ(caption->geometry(), QRect(0, 22, 240, 18));
        QLineEdit* edit = PasswordEdit(page);
        EXPECT_EQ(edit->geometry(), QRect(15, 24 + 18 - 1 + 15, 240 - 30, 20));
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_EQ(QApplication::focusWidget(), edit);
        ClickSoftKey(page, 1);
    });
    Open(1);
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_EQ(g_app.m_passwordHeader, nullptr);
}

TEST_F(PasswordDialogTest, LoginWithAnEmptyEditDoesNothingAndEscapeCancels) {
    CHelperProcess helper("Secret");
    m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
        ClickSoftKey(page, 0);
        QTest::keyClick(PasswordEdit(page), Qt::Key_Return);
        EXPECT_TRUE(page.isVisible());
        QTest::keyClick(PasswordEdit(page), Qt::Key_Escape);
    });
    Open(helper);
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_FALSE(helper.Log().contains("client ")) << helper.Log().constData();
}

TEST_F(PasswordDialogTest, RefusalEmptiesTheEditThenEnterLogsInAndTheHashIsSaved) {
    CHelperProcess helper("Secret");
    m_script.When<CPasswordDialog>([this](CPasswordDialog& page) {
        TypePasswordAndLogin(page, "wrong");
        EXPECT_TRUE(page.isVisible());
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        ASSERT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
        const auto& box = m_app.m_boxes.ShownBoxes()[0];
        EXPECT_EQ(box.owner, &page);
        EXPECT_EQ(box.caption, QStringLiteral("Dormo"));
        EXPECT_EQ(box.flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
        QTest::keyClicks(PasswordEdit(page), "SECRET");
        QTest::keyClick(PasswordEdit(page), Qt::Key_Return);
    });
    m_script.When<CCommandScreen>([](CCommandScreen& screen) {
        EXPECT_TRUE(IsConnected());
        EXPECT_EQ(g_app.m_commandScreen, &screen);
        ClickSoftKey(screen, 1);
    });
    Open(helper);
    EXPECT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), PasswordHash("secret"));
    EXPECT_TRUE(helper.WaitForLog("authorised"));
}

TEST_F(PasswordDialogTest, SavedHashOpensTheCommandScreenWithoutShowingThePage) {
    CHelperProcess helper("Secret");
    WriteSavedHash(kComputer, PasswordHash("Secret"));
    CShowSpy shown;
    LeaveCommandScreen();
    Open(helper);
    EXPECT_EQ(shown.m_shown, 0);
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_TRUE(helper.WaitForLog("authorised"));
}

TEST_F(PasswordDialogTest, RefusedSavedHashIsDeletedAndThePageShowsEmpty) {
    CHelperProcess helper("Secret");
    WriteSavedHash(kComputer, PasswordHash("old"));
    m_script.When<CPasswordDialog>([this](CPasswordDialog& page) {
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        EXPECT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
        EXPECT_FALSE(ReadSavedHash(kComputer));
        ClickSoftKey(page, 1);
    });
    Open(helper);
}

TEST_F(PasswordDialogTest, WithSavingOffTheSavedValueIsNeitherUsedNorRewritten) {
    CHelperProcess helper("Secret");
    g_app.m_savePasswords = false;
    WriteSavedHash(kComputer, "kept");
    CShowSpy shown;
    m_script.When<CPasswordDialog>([&helper](CPasswordDialog& page) {
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        EXPECT_FALSE(helper.Log().contains("client "));
        TypePasswordAndLogin(page, "Secret");
    });
    LeaveCommandScreen();
    Open(helper);
    EXPECT_EQ(shown.m_shown, 1);
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

TEST_F(PasswordDialogTest, OnlyTheFirst1022CharactersMakeThePassword) {
    const QByteArray password(1022, 'a');
    CHelperProcess helper(password);
    m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
        PasswordEdit(page)->setText(QString(1022, QLatin1Char('A')) + QString(8, QLatin1Char('b')));
        ClickSoftKey(page, 0);
    });
    LeaveCommandScreen();
    Open(helper);
    EXPECT_TRUE(m_app.Texts().isEmpty());
}
