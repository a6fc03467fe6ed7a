#include "common/page_driver.h"
#include "common/test_app.h"
#include "platform/message_box.h"
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
    std::vector<int> m_commands;
    QRect m_lastClient;

protected:
    void OnInitDialog() override { InitFullScreenDialog(g_app, *this, m_record); }
    void OnSize(const QRect& client) override { m_lastClient = client; }
};

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

// A page is part of the main window, not a window of its own, and follows its size above the soft
// keys; a message box over it is owned by the main window.
TEST_F(PageTest, APageIsPartOfTheMainWindowAboveItsKeysAndItsBoxesAreOwnedByTheWindow) {
    CTestPage page(IDR_COMMAND_MENU);
    WithOpenPage([&] { RunDialog(IDD_COMMAND_SCREEN, &m_main, page); },
                 [&](CPage&) {
                     EXPECT_FALSE(page.isWindow());
                     EXPECT_EQ(ShownWindows(), QList<QWindow*>{m_main.windowHandle()});
                     EXPECT_EQ(QApplication::activeModalWidget(), nullptr)
                         << "the window takes a close";
                     m_main.resize(300, 400);
                     EXPECT_EQ(page.geometry(), m_main.rect());
                     EXPECT_EQ(page.m_lastClient, QRect(0, 0, 300, 400 - CSoftKeyBar::Height()));
                     CSoftKeyBar* keys = page.SoftKeyBar();
                     ASSERT_EQ(keys->ButtonCount(), 2);
                     EXPECT_EQ(keys->Button(0)->text() + keys->Button(1)->text(), "ToolsBack");
                     keys->Menu(0)->actions()[3]->trigger();  // About...
                     ClickSoftKey(page, 1);
                     // The box is gone once Show returns, so its owner is read while it is up.
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
        WithOpenPage([&] { RunDialog(IDD_COMMAND_SCREEN, &m_main, lower); },
                     [&](CPage&) {
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
