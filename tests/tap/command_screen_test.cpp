#include "connection/command_screen.h"

#include "common/helper_process.h"
#include "common/screen_setup.h"
#include "connection/connection_fakes.h"
#include "modal_script.h"
#include "tap_steps.h"
#include "ui/row_drawing.h"

#include <gtest/gtest.h>

namespace {

// Records whether a paint of the list ran while the row was flagged pressed.
class CPressedPaintSpy : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && g_app.m_rowPressed) m_sawPressedPaint = true;
        return false;
    }
    bool m_sawPressedPaint = false;
};

// Logs in to a dormo-helper on loopback; the test's steps then run on the command screen.
class CommandScreenTest : public ::testing::Test {
protected:
    void LogIn() {
        m_script.When<CPasswordDialog>(
            [](CPasswordDialog& page) { TypePasswordAndLogin(page, "Secret"); });
    }
    void Run() {
        ASSERT_NE(m_helper.Port(), 0) << m_helper.Log().constData();
        m_app.SetComputer(QStringLiteral("study"), m_helper.Port());
        RunPasswordDialog(nullptr, QuickLimits());
        EXPECT_FALSE(m_script.TimedOut());
        EXPECT_EQ(m_script.StepsRun(), m_script.Steps());
        EXPECT_FALSE(IsConnected());
        EXPECT_EQ(g_app.m_commandScreen, nullptr);
        EXPECT_EQ(g_app.m_commandList, nullptr);
    }

    CConnectionTestApp m_app;
    CScreenSetup m_screen{96, 240, 320};
    CHelperProcess m_helper{"Secret"};
    CModalScript m_script;
};

}  // namespace

TEST_F(CommandScreenTest, ShowsTheFiveCommandsWithRowZeroSelectedAndBackEndsTheConnection) {
    LogIn();
    m_script.When<CCommandScreen>([](CCommandScreen& screen) {
        EXPECT_EQ(HeaderText(screen), QStringLiteral("study"));
        EXPECT_EQ(SoftKeys(screen), (QStringList{"Tools", "Back"}));
        CCommandListView* list = CommandList(screen);
        ASSERT_TRUE(list);
        EXPECT_EQ(g_app.m_commandList, list);
        EXPECT_EQ(g_app.m_commandHeader, screen.findChild<CHeaderLabel*>("header"));
        QStringList texts;
        QList<int> itemData;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            texts << list->model()->index(row, 0).data().toString();
            itemData << list->model()->index(row, 0).data(kRowItemDataRole).toInt();
        }
        EXPECT_EQ(texts, (QStringList{"Dormo", "Sleep", "Restart", "Lock", "Hibernate"}));
        EXPECT_EQ(itemData, (QList<int>{0, 1, 4, 3, 2}));
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

        // Escape is not a way out; Back is.
        QTest::keyClick(list, Qt::Key_Escape);
        EXPECT_TRUE(screen.isVisible());
        EXPECT_TRUE(IsConnected());
        ClickSoftKey(screen, 1);
    });
    Run();
    EXPECT_TRUE(m_helper.WaitForLog("connection closed"));
    EXPECT_FALSE(m_helper.Log().contains("command ")) << m_helper.Log().constData();
    EXPECT_TRUE(m_app.Texts().isEmpty());
}

TEST_F(CommandScreenTest, OnlyEnterKeyUpsAfterTheFirstAndTapsSendCommands) {
    LogIn();
    m_script.When<CCommandScreen>([this](CCommandScreen& screen) {
        CCommandListView* list = CommandList(screen);
        // Presses never send; the first key-up after opening is swallowed, as are a held key's
        // repeats.
        EnterKey(QEvent::KeyPress);
        EnterKey(QEvent::KeyRelease, true);
        EnterKey(QEvent::KeyPress, true);
        EnterKey(QEvent::KeyRelease);
        EXPECT_TRUE(m_app.Texts().isEmpty());
        // A key held on the list sends once, when it comes up.
        EnterKey(QEvent::KeyPress);
        EnterKey(QEvent::KeyRelease, true);
        EnterKey(QEvent::KeyPress, true);
        EXPECT_TRUE(m_app.Texts().isEmpty());
        EnterKey(QEvent::KeyRelease);
        EXPECT_EQ(m_app.Texts(), QStringList{"Dormo command sent"});
        // The Enter that dismissed the confirmation box went down in the box: its key-up alone
        // reaches the list and must not send the command again.
        EnterKey(QEvent::KeyRelease);
        EXPECT_EQ(m_app.Texts(), QStringList{"Dormo command sent"});

        CPressedPaintSpy spy;
        list->viewport()->installEventFilter(&spy);
        TapRow(list, 1);
        list->viewport()->removeEventFilter(&spy);
        EXPECT_TRUE(spy.m_sawPressedPaint);
        EXPECT_FALSE(g_app.m_rowPressed);
        EXPECT_EQ(list->currentIndex().row(), 1);
        ASSERT_EQ(m_app.Texts(), (QStringList{"Dormo command sent", "Sleep command sent"}));
        const auto& box = m_app.m_boxes.ShownBoxes()[1];
        EXPECT_EQ(box.owner, &screen);
        EXPECT_EQ(box.caption, QStringLiteral("Dormo"));
        EXPECT_EQ(box.flags, platform::MB_OK | platform::MB_ICONINFORMATION);

        // With no row selected, Enter sends nothing.
        list->clearSelection();
        EnterKey(QEvent::KeyPress);
        EnterKey(QEvent::KeyRelease);
        EXPECT_EQ(m_app.Texts().size(), 2);
        ClickSoftKey(screen, 1);
    });
    Run();
    EXPECT_TRUE(m_helper.WaitForLog("connection closed"));
    const QByteArray log = m_helper.Log();
    EXPECT_EQ(log.count("command "), 2) << log.constData();
    EXPECT_TRUE(log.contains("command Dormo\n"));
    EXPECT_TRUE(log.contains("command Sleep\n"));
}
