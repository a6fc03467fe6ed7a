#include "connection/password_dialog.h"

#include "common/helper_process.h"
#include "connection/connection_fakes.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "connection/scripted_peer.h"
#include "modal_script.h"
#include "tap_steps.h"
#include "ui/row_drawing.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

const QString kComputer = QStringLiteral("study");

class PasswordDialogTest : public ::testing::Test {
protected:
    void Open(quint16 port, const CConnectionLimits& limits = QuickLimits()) {
        m_app.SetComputer(kComputer, port);
        RunPasswordDialog(nullptr, limits);
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
    void LogIn() {
        m_script.When<CPasswordDialog>(
            [](CPasswordDialog& page) { TypePasswordAndLogin(page, "Secret"); });
    }

    CConnectionTestApp m_app;
    CHelperProcess m_helper{"Secret"};
    CModalScript m_script;
};

}  // namespace

TEST_F(PasswordDialogTest, IsLaidOutAsAPageWhereAnEmptyLoginDoesNothingAndEscapeCancels) {
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
    Open(m_helper);
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_FALSE(m_helper.Log().contains("client ")) << m_helper.Log().constData();
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
    g_app.m_savePasswords = false;
    WriteSavedHash(kComputer, "kept");
    m_script.When<CPasswordDialog>([this](CPasswordDialog& page) {
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        EXPECT_FALSE(m_helper.Log().contains("client "));
        TypePasswordAndLogin(page, "Secret");
    });
    LeaveCommandScreen();
    Open(m_helper);
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), "kept");
    EXPECT_TRUE(m_app.Texts().isEmpty());
}

TEST_F(PasswordDialogTest, LoginWithThePlaceholderTriesTheSavedHashAndATypedPasswordIsWiped) {
    struct Case {
        QString saved;
        QString typed;
    };
    for (const Case& c :
         {Case{PasswordHash("Secret"), ""}, Case{PasswordHash("stale"), "Secret"}}) {
        DeleteSavedHash(kComputer);  // so the page shows for the case
        // Shares the edit's characters, so it shows whether they were overwritten.
        QString typed;
        QPointer<QLineEdit> edit;
        m_script.When<CPasswordDialog>([&](CPasswordDialog& page) {
            page.ShowSavedPassword(c.saved);
            edit = PasswordEdit(page);
            EXPECT_EQ(edit->placeholderText(), QStringLiteral("********"));
            QTest::keyClicks(edit, c.typed);
            typed = edit->text();
            EXPECT_EQ(typed, c.typed) << "typing replaces the placeholder";
            ClickSoftKey(page, 0);
        });
        m_script.When<CCommandScreen>([&](CCommandScreen& screen) {
            EXPECT_TRUE(edit->text().isEmpty());
            ClickSoftKey(screen, 1);
        });
        Open(m_helper);
        EXPECT_FALSE(typed.contains(QStringLiteral("Secret"))) << "overwritten where it lay";
    }
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), PasswordHash("Secret"));
}

TEST_F(PasswordDialogTest, CancelGivesUpALoginToASilentComputerAtOnce) {
    CScriptedPeer silent([](CScriptedPeer& peer, int fd) {
        peer.ReadMessage(fd);
        peer.HoldUntilStopped();
    });
    CConnectionLimits patient = QuickLimits();
    patient.reply = std::chrono::seconds(20);
    bool waiting = false;
    LogIn();
    m_script.When<CPasswordDialog>([&](CPasswordDialog& page) {
        waiting = QApplication::overrideCursor() != nullptr;
        ClickSoftKey(page, 1);
    });
    Open(silent.Port(), patient);
    EXPECT_TRUE(waiting) << "Cancel was heard while the login waited";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(m_app.Texts().isEmpty());
}

// Each row on screen, tapped, sends its own word to the helper and confirms it.
TEST_F(PasswordDialogTest, CommandScreenListsTheFiveCommandsAndEachRowSendsItsWord) {
    const QStringList words{"Dormo", "Sleep", "Restart", "Lock", "Hibernate"};
    LogIn();
    m_script.When<CCommandScreen>([&](CCommandScreen& screen) {
        EXPECT_EQ(HeaderText(screen), kComputer);
        EXPECT_EQ(SoftKeys(screen), (QStringList{"Tools", "Back"}));
        CCommandListView* list = CommandList(screen);
        EXPECT_EQ(g_app.m_commandList, list);
        EXPECT_EQ(g_app.m_commandHeader, screen.findChild<CHeaderLabel*>("header"));
        EXPECT_EQ(list->currentIndex().row(), 0);
        EXPECT_TRUE(list->selectionModel()->isRowSelected(0));
        EXPECT_EQ(QApplication::focusWidget(), list);
        // Rows are a fifth of the list's height, truncated: 400 and 403 both give 80.
        for (int listHeight : {400, 403}) {
            screen.resize(240, listHeight + 24 + CSoftKeyBar::Height());
            EXPECT_EQ(list->geometry(), QRect(0, 24, 240, listHeight));
            EXPECT_EQ(list->visualRect(list->model()->index(4, 0)), QRect(0, 320, 240, 80));
        }
        EXPECT_EQ(screen.findChild<CHeaderLabel*>("header")->geometry(), QRect(0, -1, 240, 24));
        const QList<int> pictures{0, 1, 4, 3, 2};
        for (int row = 0; row < 5; ++row) {
            SCOPED_TRACE(row);
            const QModelIndex index = list->model()->index(row, 0);
            EXPECT_EQ(index.data().toString(), words[row]);
            EXPECT_EQ(index.data(kRowItemDataRole).toInt(), pictures[row]);
            CPressedPaintSpy spy;
            list->viewport()->installEventFilter(&spy);
            TapRow(list, row);
            list->viewport()->removeEventFilter(&spy);
            EXPECT_TRUE(spy.m_sawPressedPaint);
            EXPECT_FALSE(g_app.m_rowPressed);
            EXPECT_EQ(list->currentIndex().row(), row);
            ASSERT_EQ(m_app.Texts().size(), row + 1) << "sent at once";
            EXPECT_EQ(m_app.Texts().last(), words[row] + " command sent");
            const auto& box = m_app.m_boxes.ShownBoxes().back();
            EXPECT_EQ(box.owner, &screen);
            EXPECT_EQ(box.caption, "Dormo");
            EXPECT_EQ(box.flags, platform::MB_OK | platform::MB_ICONINFORMATION);
            EXPECT_TRUE(m_helper.WaitForLog("command ", row + 1));
        }
        ClickSoftKey(screen, 1);
    });
    Open(m_helper);
    EXPECT_TRUE(m_helper.WaitForLog("connection closed"));
    QStringList received;
    const QRegularExpression command(QStringLiteral("command (\\w+)\n"));
    for (const auto& match : command.globalMatch(QString::fromUtf8(m_helper.Log())))
        received << match.captured(1);
    EXPECT_EQ(received.join(u' '), words.join(u' ')) << "each row sent its own word, in turn";
}

// Enter sends the row chosen on the screen, once, when the key comes up: not the key held from
// the password page, not letters typed on the list, not a row nobody chose.
TEST_F(PasswordDialogTest, EnterSendsOnKeyUpOnlyARowChosenOnTheScreen) {
    m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
        QTest::keyClicks(PasswordEdit(page), "Secret");
        QTest::keyPress(PasswordEdit(page), Qt::Key_Return);
    });
    m_script.When<CCommandScreen>([this](CCommandScreen& screen) {
        CCommandListView* list = CommandList(screen);
        for (int repeat = 0; repeat < 5; ++repeat) {
            EnterKey(QEvent::KeyRelease, true);
            EnterKey(QEvent::KeyPress, true);
        }
        EnterKey(QEvent::KeyRelease);
        EXPECT_TRUE(m_app.Texts().isEmpty()) << "the Enter held from the password page";
        QStringList sent;
        const auto enterSends = [&](int row, const QString& text) {
            QTest::keyClick(list, Qt::Key_Return);
            if (!text.isEmpty()) sent << text;
            EXPECT_EQ(list->currentIndex().row(), row);
            EXPECT_EQ(m_app.Texts(), sent);
        };
        QTest::keyClicks(list, "Secret");
        enterSends(0, {});
        enterSends(0, {});
        QTest::keyClick(list, Qt::Key_Down);
        enterSends(1, "Sleep command sent");
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
        TapRow(list, 3);
        sent << "Lock command sent";
        enterSends(3, "Lock command sent");
        list->clearSelection();
        enterSends(3, {});
        ClickSoftKey(screen, 1);
    });
    Open(m_helper);
    EXPECT_TRUE(m_helper.WaitForLog("connection closed"));
    EXPECT_EQ(m_helper.Log().count("command "), 4) << m_helper.Log().constData();
}

TEST_F(PasswordDialogTest, EscapeAndAltLeftAreBackAndBackDuringTheFlashOfACommandWins) {
    g_app.m_savePasswords = false;  // each visit shows the password page
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
        LogIn();
        m_script.When<CCommandScreen>(back);
        Open(m_helper);
    }
    EXPECT_TRUE(m_app.Texts().isEmpty());
    EXPECT_TRUE(m_helper.WaitForLog("connection closed", int(ways.size())));
    EXPECT_EQ(m_helper.Log().count("command "), 0) << m_helper.Log().constData();
}
