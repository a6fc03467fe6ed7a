#include "app/app.h"
#include "app/screen_metrics.h"
#include "common/screen_setup.h"
#include "resources/resource_ids.h"
#include "platform/message_box.h"
#include "ui/page.h"
#include "ui/soft_key_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <functional>

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
    bool m_initialised = false;
    bool m_barMade = false;
    std::vector<int> m_commands;
    QRect m_lastClient;

protected:
    void OnInitDialog() override {
        m_initialised = true;
        m_barMade = InitFullScreenDialog(g_app, *this, m_record);
    }
    void OnSize(const QRect& client) override { m_lastClient = client; }
};

// Runs page modally from templateId; inspect runs inside its event loop and must end the page.
int RunAndInspect(int templateId, CTestPage& page, const std::function<void()>& inspect) {
    QTimer::singleShot(0, [&] {
        inspect();
        if (page.isVisible()) page.done(-2);
    });
    return RunDialog(templateId, g_app.m_mainWindow, page);
}

// The program's windows that are shown.
QList<QWindow*> ShownWindows() {
    QList<QWindow*> shown;
    for (QWindow* window : QGuiApplication::topLevelWindows())
        if (window->isVisible()) shown << window;
    return shown;
}

class PageTest : public ::testing::Test {
protected:
    PageTest() : m_screen(96, 240, 320) {
        m_main.setGeometry(40, 50, 240, 320);
        m_main.show();
        g_app.m_mainWindow = &m_main;
    }
    ~PageTest() override { g_app.m_mainWindow = nullptr; }
    CScreenSetup m_screen;
    QWidget m_main;
};

}  // namespace

TEST_F(PageTest, FullScreenOverTheMainWindowWithTheRecordsSoftKeys) {
    CTestPage page(IDR_PASSWORD_BAR);
    const int result = RunAndInspect(IDD_PASSWORD, page, [&] {
        EXPECT_EQ(page.geometry(), m_main.rect());
        CSoftKeyBar* bar = page.SoftKeyBar();
        ASSERT_TRUE(bar);
        EXPECT_EQ(bar->geometry(), QRect(0, 320 - 26, 240, 26));
        EXPECT_EQ(page.m_lastClient, QRect(0, 0, 240, 320 - 26));
        ASSERT_EQ(bar->ButtonCount(), 2);
        EXPECT_EQ(bar->Button(0)->text(), QStringLiteral("Login"));
        EXPECT_EQ(bar->Button(1)->text(), QStringLiteral("Cancel"));
        EXPECT_LT(bar->Button(0)->geometry().center().x(), bar->Button(1)->geometry().x());
        QTest::mouseClick(bar->Button(1), Qt::LeftButton);
    });
    EXPECT_TRUE(page.m_barMade);
    EXPECT_EQ(result, CPage::kRejected);
    EXPECT_EQ(page.m_commands, std::vector<int>{IDCANCEL_COMMAND});
}

TEST_F(PageTest, ControlsOfTheTemplateExistBeforeInitAndAreFoundByIdAndName) {
    CTestPage page(IDR_OPTIONS_BAR);
    RunAndInspect(IDD_OPTIONS, page, [&] {
        auto* check = page.ControlAs<QCheckBox>(IDC_SAVE_PASSWORDS);
        ASSERT_TRUE(check);
        EXPECT_EQ(check->text(), QStringLiteral("Save Passwords"));
        EXPECT_EQ(page.findChild<QCheckBox*>(QStringLiteral("savePasswords")), check);
        auto* button = page.ControlAs<QPushButton>(IDC_DELETE_PASSWORDS);
        ASSERT_TRUE(button);
        // Places follow the template: the button lies below the check box, both 4 units in.
        EXPECT_EQ(button->x(), check->x());
        EXPECT_GT(button->y(), check->geometry().bottom());
        QTest::mouseClick(button, Qt::LeftButton);
        // Menu resource 139 does not exist: the record still gives both buttons.
        ASSERT_TRUE(page.SoftKeyBar());
        ASSERT_EQ(page.SoftKeyBar()->ButtonCount(), 2);
        EXPECT_EQ(page.SoftKeyBar()->Menu(0), nullptr);
        QTest::mouseClick(page.SoftKeyBar()->Button(0), Qt::LeftButton);
    });
    EXPECT_EQ(page.m_commands, (std::vector<int>{IDC_DELETE_PASSWORDS, IDM_SAVE}));
}

TEST_F(PageTest, ToolsDropDownSendsTheChosenItemsCommand) {
    CTestPage page(IDR_COMMAND_MENU);
    RunAndInspect(IDD_COMMAND_SCREEN, page, [&] {
        CSoftKeyBar* bar = page.SoftKeyBar();
        ASSERT_TRUE(bar);
        QMenu* tools = bar->Menu(0);
        ASSERT_TRUE(tools);
        ASSERT_EQ(tools->actions().size(), 8);
        EXPECT_EQ(tools->actions()[3]->text(), QStringLiteral("About..."));
        tools->actions()[3]->trigger();
        QTest::mouseClick(bar->Button(1), Qt::LeftButton);
    });
    EXPECT_EQ(page.m_commands, (std::vector<int>{IDM_ABOUT, IDM_BACK}));
}

TEST_F(PageTest, AMissingBarLeavesAFullScreenPageAndAMissingTemplateOpensNothing) {
    CTestPage page(999);
    RunAndInspect(IDD_HELP, page, [&] {
        EXPECT_EQ(page.size(), m_main.size());
        EXPECT_EQ(page.SoftKeyBar(), nullptr);
        EXPECT_EQ(page.ClientRect(), page.rect());
    });
    EXPECT_TRUE(page.m_initialised);
    EXPECT_FALSE(page.m_barMade);

    CTestPage unopened(IDR_CLOSE_BAR);
    EXPECT_EQ(RunDialog(999, &m_main, unopened), -1);
    EXPECT_FALSE(unopened.m_initialised);
    EXPECT_FALSE(unopened.isVisible());
}

TEST_F(PageTest, APageIsPartOfTheMainWindowCoveringItsClientAreaAt96And192Dpi) {
    struct Case {
        int dpi;
        QSize window, resized;
    };
    for (const Case& c : {Case{96, {240, 320}, {300, 400}}, Case{192, {480, 640}, {600, 900}}}) {
        SCOPED_TRACE(c.dpi);
        CScreenSetup screen(c.dpi, c.window.width(), c.window.height());
        m_main.resize(c.window);
        CTestPage page(IDR_CLOSE_BAR);
        RunAndInspect(IDD_HELP, page, [&] {
            EXPECT_EQ(page.parentWidget(), &m_main);
            EXPECT_FALSE(page.isWindow());
            EXPECT_EQ(page.geometry(), m_main.rect());
            EXPECT_EQ(ShownWindows(), QList<QWindow*>{m_main.windowHandle()});
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the window takes a close";
            const int bar = ScaleLogical(26, c.dpi);
            m_main.resize(c.resized);
            EXPECT_EQ(page.geometry(), m_main.rect());
            EXPECT_EQ(page.m_lastClient, QRect(0, 0, c.resized.width(), c.resized.height() - bar));
            // A message box is the one other window, and the main window owns it.
            // The box is gone once Show returns, so its owner is read while it is up.
            qsizetype shownWithBox = 0;
            QWindow* boxOwner = nullptr;
            QTimer::singleShot(0, [&] {
                const QList<QWindow*> shown = ShownWindows();
                shownWithBox = shown.size();
                for (QWindow* window : shown)
                    if (window != m_main.windowHandle()) boxOwner = window->transientParent();
                if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    box->done(0);
            });
            platform::CMessageBoxes().Show(&page, QStringLiteral("Text"), QStringLiteral("Dormo"),
                                           platform::MB_OK);
            EXPECT_EQ(shownWithBox, 2);
            EXPECT_EQ(boxOwner, m_main.windowHandle());
        });
    }
}

TEST_F(PageTest, APageOverAPageHidesItAndWhateverEndsFirstTheRightOneShows) {
    // Stands for the main window's list, which takes no input while a page is up.
    auto* list = new QListWidget(&m_main);
    list->show();
    m_main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_main));
    list->setFocus();
    for (const bool lowerEndsFirst : {false, true}) {
        SCOPED_TRACE(lowerEndsFirst);
        CTestPage lower(IDR_COMMAND_MENU);
        CTestPage upper(IDR_CLOSE_BAR);
        RunAndInspect(IDD_COMMAND_SCREEN, lower, [&] {
            EXPECT_TRUE(list->isHidden());
            EXPECT_EQ(FrontPage(), &lower);
            QTimer::singleShot(0, [&] {
                EXPECT_EQ(FrontPage(), &upper);
                EXPECT_EQ(upper.parentWidget(), &m_main);
                EXPECT_EQ(upper.geometry(), m_main.rect());
                EXPECT_TRUE(lower.isHidden());
                if (lowerEndsFirst) lower.done(0);  // a lost connection under About
                EXPECT_TRUE(list->isHidden());
                upper.done(0);
            });
            RunDialog(IDD_ABOUT, &lower, upper);
            EXPECT_EQ(lower.isVisible(), !lowerEndsFirst);
            EXPECT_EQ(list->isVisible(), lowerEndsFirst);
            EXPECT_EQ(FrontPage(), lowerEndsFirst ? nullptr : &lower);
        });
        EXPECT_EQ(FrontPage(), nullptr);
        EXPECT_TRUE(list->isVisible());
        EXPECT_TRUE(list->hasFocus()) << "the focus goes back where it was";
    }
    delete list;
}
