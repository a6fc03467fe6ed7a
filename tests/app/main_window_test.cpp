#include "app/app.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/page_driver.h"
#include "common/pressed_paint_spy.h"
#include "common/recording_message_boxes.h"
#include "common/screen_setup.h"
#include "common/temp_config.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"
#include "discovery/remembered_computers.h"
#include "platform/cursor.h"
#include "platform/tick_count.h"
#include "resources/resource_ids.h"
#include "ui/row_list_view.h"
#include "ui/soft_key_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    // Ends as the program does: the orderly shutdown, then the window goes.
    ~MainWindowTest() override {
        ShutDown();
        m_window.reset();
        platform::SetWaitCursor(false);
        g_app.m_computers.clear();
        g_app.m_mainWindow = nullptr;
        g_app.m_listView = nullptr;
        g_app.m_listModel = nullptr;
        g_app.m_listHeader = nullptr;
    }
    void Create() {
        m_window = std::make_unique<CMainWindow>();
        m_window->OnCreate();
        m_window->resize(240, 320);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void AddComputer(const QString& name) {
        g_app.m_computers.push_back(
            {name, platform::TickCount(), "10.77.0.2", name.toStdString(), 0, true});
        g_app.m_listModel->AppendRow(name, kComputerRowData, int(g_app.m_computers.size()) - 1);
    }
    CRowListView* List() const { return static_cast<CRowListView*>(g_app.m_listView.data()); }
    // The header and soft keys of the page that action opens; empty when none opens.
    static std::pair<QString, QStringList> PageOpenedBy(const std::function<void()>& action) {
        std::pair<QString, QStringList> seen;
        WithOpenPage(action, [&](CPage& page) { seen = {HeaderText(page), SoftKeys(page)}; });
        return seen;
    }

    CTempConfig m_config;
    CScreenSetup m_screen{96, 240, 320};
    std::unique_ptr<CMainWindow> m_window;
};

}  // namespace

TEST_F(MainWindowTest, HelpRowAfterOneSecondUntilTheFirstComputerReplacesIt) {
    Create();
    EXPECT_EQ(g_app.m_listModel->rowCount(), 0);
    ASSERT_TRUE(QApplication::overrideCursor());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 5000);
    ASSERT_EQ(g_app.m_listModel->rowCount(), 1);
    EXPECT_EQ(g_app.m_listModel->ItemData(0), kHelpRowData);
    EXPECT_EQ(g_app.m_listModel->Text(0), QStringLiteral("Can't see your PC? Tap here!"));
    EXPECT_EQ(g_app.m_listModel->Entry(0), -1);

    AddOrUpdateComputer(*g_app.m_listModel, g_app.m_computers, QStringLiteral("deskpc"), "deskpc",
                        "10.77.0.1", 0x3412, 5000);
    ASSERT_EQ(g_app.m_listModel->rowCount(), 1);
    EXPECT_EQ(g_app.m_listModel->ItemData(0), kComputerRowData);
    EXPECT_EQ(g_app.m_listModel->Text(0), QStringLiteral("deskpc"));
    EXPECT_EQ(g_app.m_listModel->Entry(0), 0);
}

TEST_F(MainWindowTest, AComputerFoundInTheFirstSecondMeansNoHelpRowThisRun) {
    Create();
    AddComputer(QStringLiteral("Study"));
    g_app.m_listModel->RemoveRow(0);  // the computer fell silent again
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 5000);
    EXPECT_EQ(g_app.m_listModel->rowCount(), 0);
}

TEST_F(MainWindowTest, RememberedComputerNotHeardSleepsInsteadOfTheHelpRowAndAsksToWake) {
    CRememberedComputers(m_config.Registry()).Remember({"nas", "10.77.0.9", 4660, std::nullopt});
    CRecordingMessageBoxes boxes;
    platform::CMessageBoxes* previous = std::exchange(g_app.m_messageBoxes, &boxes);
    Create();
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 5000);
    ASSERT_EQ(g_app.m_listModel->rowCount(), 2);
    EXPECT_EQ(g_app.m_listModel->ItemData(0), kSleepingHeaderData);
    EXPECT_EQ(List()->visualRect(g_app.m_listModel->index(0, 0)).height(), g_app.m_headerHeight);
    EXPECT_EQ(g_app.m_listModel->Text(1), QStringLiteral("nas"));

    TapRow(List(), 0);
    EXPECT_TRUE(boxes.ShownBoxes().empty()) << "the header is no button";
    boxes.Answer(platform::IDNO);
    TapRow(List(), 1);
    boxes.Answer(platform::IDYES);
    TapRow(List(), 1);
    g_app.m_messageBoxes = previous;
    ASSERT_EQ(boxes.ShownBoxes().size(), 3u);
    for (size_t i : {0u, 1u}) {
        EXPECT_EQ(boxes.ShownBoxes()[i].text, QStringLiteral("Wake nas?"));
        EXPECT_EQ(boxes.ShownBoxes()[i].flags, platform::MB_YESNO | platform::MB_ICONQUESTION);
    }
    EXPECT_TRUE(boxes.ShownBoxes()[2].text.startsWith("Cannot wake nas: its network card's"));
    EXPECT_EQ(boxes.ShownBoxes()[2].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

TEST_F(MainWindowTest, TappingTheHelpRowFlashesRowZeroAndOpensHelp) {
    Create();
    m_window->OnHelpRowTimer();
    g_app.m_selectedComputer = 5;
    CPressedPaintSpy spy;
    List()->viewport()->installEventFilter(&spy);
    const auto [header, softKeys] = PageOpenedBy([this] { TapRow(List(), 0); });
    EXPECT_TRUE(spy.m_sawPressedPaint);
    EXPECT_FALSE(g_app.m_rowPressed);
    EXPECT_EQ(g_app.m_selectedComputer, 0);
    EXPECT_EQ(header, QStringLiteral("Help"));
    EXPECT_EQ(softKeys, QStringList{QStringLiteral("Close")});
}

TEST_F(MainWindowTest, TapOrArrowsAndEnterOpenThePageOfTheComputerTheRowShows) {
    Create();
    // Rows out of step with the entries: each row still opens its own computer.
    g_app.m_computers.push_back(
        {QStringLiteral("Study"), platform::TickCount(), "10.77.0.2", "Study", 0, true});
    g_app.m_computers.push_back(
        {QStringLiteral("Garage"), platform::TickCount(), "10.77.0.3", "Garage", 0, true});
    g_app.m_listModel->AppendRow(QStringLiteral("Garage"), kComputerRowData, 1);
    g_app.m_listModel->AppendRow(QStringLiteral("Study"), kComputerRowData, 0);
    CPressedPaintSpy spy;
    List()->viewport()->installEventFilter(&spy);
    const auto tapped = PageOpenedBy([this] { TapRow(List(), 0); });
    EXPECT_TRUE(spy.m_sawPressedPaint);
    EXPECT_EQ(g_app.m_selectedComputer, 1);
    EXPECT_EQ(tapped.first, QStringLiteral("Garage"));
    EXPECT_EQ(tapped.second, (QStringList{"Login", "Cancel"}));

    List()->setCurrentIndex(g_app.m_listModel->index(0, 0));
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(List()->currentIndex().row(), 1);
    const auto entered = PageOpenedBy([this] { QTest::keyClick(List(), Qt::Key_Return); });
    EXPECT_EQ(g_app.m_selectedComputer, 0);
    EXPECT_EQ(entered.first, QStringLiteral("Study"));
}

TEST_F(MainWindowTest, ToolsSoftKeyOffersTheToolsMenuAndCloseEndsTheEventLoop) {
    Create();
    auto* bar = m_window->findChild<CSoftKeyBar*>();
    ASSERT_TRUE(bar);
    ASSERT_EQ(bar->ButtonCount(), 1);
    EXPECT_EQ(bar->Button(0)->text(), QStringLiteral("Tools"));
    QMenu* tools = bar->Menu(0);
    ASSERT_TRUE(tools);
    QAction* close = tools->actions().last();
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    QTimer::singleShot(0, close, &QAction::trigger);
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(MainWindowTest, LayoutAfterAResizeAt96And192Dpi) {
    struct Case {
        int dpi;
        QSize work, window;
        int header, row;
    };
    for (const Case& c :
         {Case{96, {240, 320}, {300, 500}, 24, 40}, Case{192, {480, 640}, {600, 1000}, 48, 80}}) {
        SCOPED_TRACE(c.dpi);
        CScreenSetup screen(c.dpi, c.work.width(), c.work.height());
        m_window.reset();
        Create();
        AddComputer(QStringLiteral("Study"));
        m_window->resize(c.window);
        const int w = c.window.width();
        EXPECT_EQ(g_app.m_listHeader->geometry(), QRect(0, -c.header / 24, w, c.header));
        const int barHeight = c.header * 26 / 24;
        EXPECT_EQ(g_app.m_listView->geometry(),
                  QRect(0, c.header, w, c.window.height() - c.header - barHeight));
        List()->doItemsLayout();
        const QRect row = List()->visualRect(g_app.m_listModel->index(0, 0));
        EXPECT_EQ(row.height(), c.row);
        EXPECT_EQ(row.width(), List()->viewport()->width());
        EXPECT_EQ(m_window->focusProxy(), g_app.m_listView);
    }
}
