#include "connection/password_dialog.h"

#include "app/settings.h"
#include "common/helper_process.h"
#include "connection/connection_fakes.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "connection/scripted_peer.h"
#include "modal_script.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QRegularExpression>

namespace {

const QString kComputer = QStringLiteral("study");

// Enter as the window system sends it: to the focus widget.
void EnterKey(QEvent::Type type, bool autoRepeat = false) {
    QKeyEvent event(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), autoRepeat);
    QApplication::sendEvent(QApplication::focusWidget(), &event);
}

class PasswordDialogTest : public ::testing::Test {
protected:
    void Open(quint16 port, const CConnectionLimits& limits = QuickLimits()) {
        ASSERT_NE(port, 0);
        m_app.SetComputer(kComputer, port);
        RunPasswordDialog(nullptr, limits);
        EXPECT_TRUE(m_script.Done());
        EXPECT_FALSE(IsConnected());
    }

    CConnectionTestApp m_app;
    CHelperProcess m_helper{"Secret"};
    CModalScript m_script;
};

}  // namespace

// A saved hash is tried before the page shows: refused, it is deleted and the page asks. A typed
// password is wiped once hashed; once one (its first 1022 characters) logs in, it is saved and
// the next visit skips the page.
TEST_F(PasswordDialogTest, RefusalsEmptyTheEditAndATypedPasswordIsSavedForTheNextVisit) {
    const QByteArray password(1022, 'a');
    CHelperProcess helper(password);
    WriteSavedHash(kComputer, PasswordHash("stale"));
    m_script.When<CPasswordDialog>([this](CPasswordDialog& page) {
        ASSERT_EQ(m_app.Boxes(), QStringList{"warning: Incorrect password."});
        EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].owner, &page);
        EXPECT_FALSE(ReadSavedHash(kComputer));
        QTest::keyClicks(PasswordEdit(page), "wrong");
        // Shares the edit's characters, so it shows whether they were overwritten.
        const QString typed = PasswordEdit(page)->text();
        ClickSoftKey(page, 0);
        EXPECT_TRUE(page.isVisible());
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        EXPECT_FALSE(typed.contains(QStringLiteral("wrong"))) << "wiped where it lay";
        PasswordEdit(page)->setText(QString(1022, u'A') + QString(8, u'b'));
        QTest::keyClick(PasswordEdit(page), Qt::Key_Return);
    });
    const auto back = [](CCommandScreen& screen) {
        EXPECT_TRUE(IsConnected());
        ClickSoftKey(screen, 1);
    };
    m_script.When<CCommandScreen>(back);
    Open(helper.Port());
    EXPECT_EQ(m_app.Texts(), QStringList(2, "Incorrect password."));
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), PasswordHash(QString::fromLatin1(password)));
    m_script.When<CCommandScreen>(back);
    Open(helper.Port());
    EXPECT_EQ(m_app.Texts().size(), 2);
}

// An empty Login or Enter does nothing; Cancel gives up a login under way at once, Escape ends
// the page when none is. A computer that stops answering is told on the command screen, which ends.
TEST_F(PasswordDialogTest, EmptyLoginDoesNothingCancelGivesUpALoginAndALostComputerIsTold) {
    CScriptedPeer silent([](CScriptedPeer& peer, int fd) {
        peer.ReadMessage(fd);
        peer.HoldUntilStopped();
    });
    CConnectionLimits patient = QuickLimits();
    patient.reply = std::chrono::seconds(20);
    m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
        QLineEdit* edit = PasswordEdit(page);
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_EQ(QApplication::focusWidget(), edit);
        ClickSoftKey(page, 0);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_TRUE(page.isVisible());
        TypePasswordAndLogin(page, "Secret");
    });
    bool waiting = false;
    m_script.When<CPasswordDialog>([&](CPasswordDialog& page) {
        waiting = QApplication::overrideCursor() != nullptr;
        ClickSoftKey(page, 1);
    });
    Open(silent.Port(), patient);
    EXPECT_TRUE(waiting) << "Cancel was heard while the login waited";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    m_script.When<CPasswordDialog>(
        [](CPasswordDialog& page) { QTest::keyClick(PasswordEdit(page), Qt::Key_Escape); });
    Open(silent.Port());
    EXPECT_TRUE(m_app.Texts().isEmpty());

    CScriptedPeer lost([](CScriptedPeer& p, int fd) {
        p.Authorise(fd);
        p.HoldUntilStopped();
    });
    m_script.When<CPasswordDialog>(LogInWith("Secret"));
    bool ownedByTheScreen = false;
    m_script.When<CCommandScreen>([&](CCommandScreen& screen) {
        QObject::connect(&screen, &CPage::finished, [&] {
            const auto& shown = m_app.m_boxes.ShownBoxes();
            ownedByTheScreen = !shown.empty() && shown.back().owner == &screen;
        });
    });
    Open(lost.Port());
    EXPECT_EQ(m_app.Boxes(), QStringList{"notice: Computer disconnected."});
    EXPECT_TRUE(ownedByTheScreen);
}

// Each row tapped sends its own word (with the NUL the helper frames it by), told in a box the
// screen owns. Enter sends the row chosen on the screen, once, when the key comes up: not the key
// held from the password page, not after letters typed on the list, not a row nobody chose.
TEST_F(PasswordDialogTest, EachRowTappedOrChosenWithEnterSendsItsWord) {
    m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
        QTest::keyClicks(PasswordEdit(page), "Secret");
        QTest::keyPress(PasswordEdit(page), Qt::Key_Return);
    });
    m_script.When<CCommandScreen>([this](CCommandScreen& screen) {
        CCommandListView* list = CommandList(screen);
        EnterKey(QEvent::KeyRelease, true);
        EnterKey(QEvent::KeyPress, true);
        EnterKey(QEvent::KeyRelease);
        EXPECT_TRUE(m_app.Texts().isEmpty()) << "the Enter held from the password page";
        EXPECT_EQ(HeaderText(screen), kComputer);
        EXPECT_TRUE(list->selectionModel()->isRowSelected(0));
        EXPECT_EQ(QApplication::focusWidget(), list);
        QStringList sent;
        const auto enterSends = [&](int row, const QString& word) {
            QTest::keyClick(list, Qt::Key_Return);
            if (!word.isEmpty()) sent << word + " command sent";
            EXPECT_EQ(list->currentIndex().row(), row);
            EXPECT_EQ(m_app.Texts(), sent);
        };
        QTest::keyClicks(list, "Secret");
        enterSends(0, {});
        QTest::keyClick(list, Qt::Key_Down);
        enterSends(1, "Sleep");
        QTest::keyClicks(list, "x");
        enterSends(1, {});
        // A key held on the list sends once, when it comes up; the key-up of the Enter that
        // dismissed the box, alone, sends nothing.
        QTest::keyClick(list, Qt::Key_Up);
        EnterKey(QEvent::KeyPress);
        EnterKey(QEvent::KeyRelease, true);
        EnterKey(QEvent::KeyPress, true);
        EXPECT_EQ(m_app.Texts(), sent);
        EnterKey(QEvent::KeyRelease);
        EnterKey(QEvent::KeyRelease);
        EXPECT_EQ(m_app.Texts(), sent << "Dormo command sent");
        const QStringList words{"Dormo", "Sleep", "Restart", "Lock", "Hibernate"};
        for (int row = 0; row < 5; ++row) {
            TapRow(list, row);
            sent << words[row] + " command sent";
        }
        EXPECT_EQ(m_app.m_boxes.ShownBoxes().back().owner, &screen);
        enterSends(4, "Hibernate");
        list->clearSelection();
        enterSends(4, {});
        // The row past the last sends nothing; confirming asks before sending.
        SendCommand(&screen, 5);
        SaveConfirmCommands(g_app, true);
        m_app.m_boxes.Answer(platform::IDNO);
        m_app.m_boxes.Answer(platform::IDYES);
        TapRow(list, 1);
        TapRow(list, 3);
        EXPECT_EQ(m_app.Boxes().mid(sent.size()),
                  QStringList({"question: Send Sleep to study?", "question: Send Lock to study?",
                               "notice: Lock command sent"}));
        ClickSoftKey(screen, 1);
    });
    Open(m_helper.Port());
    EXPECT_TRUE(m_helper.WaitForLog("connection closed"));
    QStringList received;
    const QRegularExpression command(QStringLiteral("command (\\w+)\n"));
    for (const auto& match : command.globalMatch(QString::fromUtf8(m_helper.Log())))
        received << match.captured(1);
    EXPECT_EQ(received.join(u' '), "Sleep Dormo Dormo Sleep Restart Lock Hibernate Hibernate Lock");
}

// With saving off, a saved value is neither used, nor deleted by a refusal, nor rewritten, so each
// visit shows the page.
TEST_F(PasswordDialogTest, EscapeAndAltLeftAreBackAndBackDuringTheFlashOfACommandWins) {
    g_app.m_savePasswords = false;
    WriteSavedHash(kComputer, "kept");
    const auto duringFlash = [](std::function<void(CCommandScreen&)> back) {
        return [back](CCommandScreen& screen) {
            QTimer::singleShot(100, &screen, [&screen, back] { back(screen); });
            TapRow(CommandList(screen), 1);
        };
    };
    const auto escape = [](CCommandScreen& screen) {
        QTest::keyClick(CommandList(screen), Qt::Key_Escape);
    };
    const std::vector<std::function<void(CCommandScreen&)>> ways = {
        escape,
        [](CCommandScreen& screen) {
            QTest::keyClick(CommandList(screen), Qt::Key_Left, Qt::AltModifier);
        },
        duringFlash([](CCommandScreen& screen) { ClickSoftKey(screen, 1); }),
        duringFlash(escape),
    };
    for (const auto& back : ways) {
        m_script.When<CPasswordDialog>([first = &back == &ways[0]](CPasswordDialog& page) {
            if (first) TypePasswordAndLogin(page, "wrong");
            TypePasswordAndLogin(page, "Secret");
        });
        m_script.When<CCommandScreen>(back);
        Open(m_helper.Port());
    }
    EXPECT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), "kept");
    EXPECT_TRUE(m_helper.WaitForLog("connection closed", int(ways.size())));
    EXPECT_EQ(m_helper.Log().count("command "), 0) << m_helper.Log().constData();
}
