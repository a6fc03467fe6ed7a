#include "app/screen_metrics.h"
#include "common/page_driver.h"
#include "common/test_app.h"
#include "platform/message_box.h"
#include "resources/bitmaps.h"
#include "resources/dialog_templates.h"
#include "resources/menu_bar_records.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QWindow>

namespace {

// A page that makes itself full screen with a given bar and records what reaches it.
class CTestPage : public CPage {
public:
    explicit CTestPage(int record) : m_record(record) {}
    void OnCommand(int id) override {
        m_commands.push_back(id);
        CPage::OnCommand(id);
    }
    int m_record;
    bool m_barMade = false;
    std::vector<int> m_commands;
    QRect m_lastClient;

protected:
    void OnInitDialog() override { m_barMade = InitFullScreenDialog(g_app, *this, m_record); }
    void OnSize(const QRect& client) override { m_lastClient = client; }
};

// Runs page from templateId; inspect runs in its event loop once it is open.
void RunAndInspect(int templateId, CTestPage& page, const std::function<void()>& inspect) {
    WithOpenPage([&] { RunDialog(templateId, g_app.m_mainWindow, page); },
                 [&](CPage&) { inspect(); });
}

QList<QWindow*> ShownWindows() {
    QList<QWindow*> shown;
    for (QWindow* window : QGuiApplication::topLevelWindows())
        if (window->isVisible()) shown << window;
    return shown;
}

class PageTest : public ::testing::Test {
protected:
    CTestApp m_app;
    QWidget& m_main = m_app.PlainMainWindow();
};

}  // namespace

TEST_F(PageTest, APageIsPartOfTheMainWindowCoveringItsClientAreaOverItsKeysAt96And192Dpi) {
    for (const auto& [dpi, resized] : {std::pair{96, QSize(300, 400)}, {192, QSize(600, 900)}}) {
        SCOPED_TRACE(dpi);
        CScreenSetup screen(dpi, 240 * dpi / 96, 320 * dpi / 96);
        m_main.resize(240 * dpi / 96, 320 * dpi / 96);
        CTestPage page(IDR_COMMAND_MENU);
        RunAndInspect(IDD_COMMAND_SCREEN, page, [&] {
            EXPECT_EQ(page.parentWidget(), &m_main);
            EXPECT_FALSE(page.isWindow());
            EXPECT_EQ(page.geometry(), m_main.rect());
            EXPECT_EQ(ShownWindows(), QList<QWindow*>{m_main.windowHandle()});
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the window takes a close";
            m_main.resize(resized);
            EXPECT_EQ(page.geometry(), m_main.rect());
            const int bar = ScaleLogical(26, dpi);
            EXPECT_EQ(page.m_lastClient, QRect(0, 0, resized.width(), resized.height() - bar));
            EXPECT_EQ(page.ClientRect(), page.m_lastClient);
            CSoftKeyBar* keys = page.SoftKeyBar();
            EXPECT_EQ(keys->geometry(), QRect(0, resized.height() - bar, resized.width(), bar));
            EXPECT_LT(keys->Button(0)->geometry().right(), keys->Button(1)->geometry().x());
            ASSERT_EQ(keys->ButtonCount(), 2);
            EXPECT_EQ(keys->Button(0)->text() + keys->Button(1)->text(), "ToolsBack");
            keys->Menu(0)->actions()[3]->trigger();  // About...
            ClickSoftKey(page, 1);
            // A message box is the one other window, owned by the main window; it is gone once
            // Show returns, so its owner is read while it is up.
            QList<QWindow*> owners;
            QTimer::singleShot(0, [&] {
                for (QWindow* window : ShownWindows()) owners << window->transientParent();
                qobject_cast<QDialog*>(QApplication::activeModalWidget())->done(0);
            });
            platform::CMessageBoxes().Show(&page, "Text", "Dormo", platform::MB_OK);
            EXPECT_EQ(owners.size(), 2);
            EXPECT_TRUE(owners.contains(m_main.windowHandle()));
        });
        EXPECT_EQ(page.m_commands, (std::vector<int>{IDM_ABOUT, IDM_BACK}));
    }
}

TEST_F(PageTest, WithoutItsRecordAPageFillsTheWindowAndWithoutItsTemplateNoneOpens) {
    CTestPage page(999);
    RunAndInspect(IDD_HELP, page, [&] { EXPECT_EQ(page.ClientRect(), m_main.rect()); });
    EXPECT_FALSE(page.m_barMade);
    CTestPage unopened(IDR_CLOSE_BAR);
    EXPECT_EQ(RunDialog(999, &m_main, unopened), -1);
    EXPECT_FALSE(unopened.m_barMade);
    EXPECT_FALSE(unopened.isVisible());
}

TEST_F(PageTest, APageOverAPageHidesItAndWhateverEndsFirstTheRightOneShows) {
    // Stands for the main window's list, which takes no input while a page is up.
    QListWidget list(&m_main);
    list.show();
    m_main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_main));
    list.setFocus();
    for (const bool lowerEndsFirst : {false, true}) {
        SCOPED_TRACE(lowerEndsFirst);
        CTestPage lower(IDR_COMMAND_MENU);
        CTestPage upper(IDR_CLOSE_BAR);
        RunAndInspect(IDD_COMMAND_SCREEN, lower, [&] {
            EXPECT_TRUE(list.isHidden());
            EXPECT_EQ(FrontPage(), &lower);
            QTimer::singleShot(0, [&] {
                EXPECT_EQ(FrontPage(), &upper);
                EXPECT_TRUE(lower.isHidden());
                if (lowerEndsFirst) lower.done(0);  // a lost connection under About
                EXPECT_TRUE(list.isHidden());
                upper.done(0);
            });
            RunDialog(IDD_ABOUT, &lower, upper);
            EXPECT_EQ(lower.isVisible(), !lowerEndsFirst);
            EXPECT_EQ(list.isVisible(), lowerEndsFirst);
            EXPECT_EQ(FrontPage(), lowerEndsFirst ? nullptr : &lower);
        });
        EXPECT_EQ(FrontPage(), nullptr);
        EXPECT_TRUE(list.isVisible());
        EXPECT_TRUE(list.hasFocus()) << "the focus goes back where it was";
    }
}

// Each record's buttons are checked through the real bars above and in the page tests.
TEST(Resources, ShortRecordsAreRefusedAndDialogUnitsBecomePixelsRoundingHalfUp) {
    EXPECT_FALSE(ParseMenuBarRecord(std::vector<uint16_t>{130, 2, 65534, 1, 4, 16, 7, 0, 65535}));
    EXPECT_FALSE(ParseMenuBarRecord(std::vector<uint16_t>{130}));
    const auto none = ParseMenuBarRecord(std::vector<uint16_t>{130, 0});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->buttons.empty());
    EXPECT_TRUE(LoadBitmapResource(999).isNull());
    EXPECT_EQ(DialogUnitsToPixels(QRect(4, 21, 68, 10), QSize(6, 13)), QRect(6, 34, 102, 16));
    EXPECT_EQ(DialogUnitsToPixels(QRect(1, 4, 2, 12), QSize(6, 13)), QRect(2, 7, 3, 20));
    // A larger font gives a proportionally larger page.
    const CDialogTemplate* options = FindDialogTemplate(IDD_OPTIONS);
    const QSize at96 = DialogBaseUnits(DialogFont(*options, 96));
    const QSize at192 = DialogBaseUnits(DialogFont(*options, 192));
    EXPECT_GT(at96.width(), 3);
    EXPECT_NEAR(at192.width(), 2 * at96.width(), 2);
    EXPECT_NEAR(at192.height(), 2 * at96.height(), 2);
}
