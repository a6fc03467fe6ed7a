#include "app/main_window.h"
#include "app/start_up.h"
#include "common/page_driver.h"
#include "common/test_app.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"
#include "discovery/remembered_computers.h"
#include "platform/cursor.h"
#include "platform/tick_count.h"
#include "ui/row_list_view.h"

#include <gtest/gtest.h>

#include <QMenu>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    // Ends as the program does: the orderly shutdown, then the window goes.
    ~MainWindowTest() override { Close(); }
    void Create() {
        m_window = std::make_unique<CMainWindow>();
        m_window->OnCreate();
        m_window->resize(240, 320);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void Close() {
        ShutDown();
        m_window.reset();
        platform::SetWaitCursor(false);
        g_app.m_computers.clear();
    }
    void Add(const QString& name) {
        AddOrUpdateComputer(*Rows(), g_app.m_computers, name, name.toStdString(), "10.77.0.2",
                            0x3412, platform::TickCount());
    }
    static CComputerListModel* Rows() { return g_app.m_listModel; }
    static CRowListView* List() { return static_cast<CRowListView*>(g_app.m_listView.data()); }
    // The header and soft keys of the page that action opens; empty when none opens.
    static std::pair<QString, QStringList> PageOpenedBy(const std::function<void()>& action) {
        std::pair<QString, QStringList> seen;
        WithOpenPage(action, [&](CPage& page) { seen = {HeaderText(page), SoftKeys(page)}; });
        return seen;
    }

    CTestApp m_app;
    std::unique_ptr<CMainWindow> m_window;
};

}  // namespace

TEST_F(MainWindowTest, HelpRowAfterOneSecondUnlessAComputerWasFoundBefore) {
    for (const bool early : {false, true}) {
        SCOPED_TRACE(early);
        Create();
        ASSERT_TRUE(QApplication::overrideCursor());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        if (early) {
            Add(QStringLiteral("Study"));
            Rows()->RemoveRow(0);  // the computer fell silent again
        }
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 5000);
        ASSERT_EQ(Rows()->rowCount(), early ? 0 : 1);
        if (!early) {
            EXPECT_EQ(Rows()->ItemData(0), kHelpRowData);
            EXPECT_EQ(Rows()->Text(0), QStringLiteral("Can't see your PC? Tap here!"));
            EXPECT_EQ(Rows()->Entry(0), -1);
        }
        Close();
    }
}

TEST_F(MainWindowTest, ARowOpensThePageOfWhatItShowsOnATapOrArrowsAndEnter) {
    Create();
    m_window->OnHelpRowTimer();
    g_app.m_selectedComputer = 5;
    CPressedPaintSpy spy;
    List()->viewport()->installEventFilter(&spy);
    EXPECT_EQ(PageOpenedBy([] { TapRow(List(), 0); }),
              std::pair(QStringLiteral("Help"), QStringList{"Close"}));
    EXPECT_TRUE(spy.m_sawPressedPaint);
    EXPECT_FALSE(g_app.m_rowPressed);
    EXPECT_EQ(g_app.m_selectedComputer, 0);

    // The first computer takes the help row's place; a row that comes back goes to the end, so
    // rows and entries are out of step, and each row still opens its own computer.
    Add(QStringLiteral("Study"));
    ASSERT_EQ(Rows()->rowCount(), 1);
    EXPECT_EQ(Rows()->ItemData(0), kComputerRowData);
    Add(QStringLiteral("Garage"));
    Rows()->RemoveRow(0);
    Rows()->AppendRow(QStringLiteral("Study"), kComputerRowData, 0);
    spy.m_sawPressedPaint = false;
    EXPECT_EQ(PageOpenedBy([] { TapRow(List(), 0); }),
              std::pair(QStringLiteral("Garage"), QStringList{"Login", "Cancel"}));
    EXPECT_TRUE(spy.m_sawPressedPaint);
    EXPECT_EQ(g_app.m_selectedComputer, 1);

    List()->setCurrentIndex(Rows()->index(0, 0));
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(List()->currentIndex().row(), 1);
    EXPECT_EQ(PageOpenedBy([] { QTest::keyClick(List(), Qt::Key_Return); }).first, "Study");
    EXPECT_EQ(g_app.m_selectedComputer, 0);
}

TEST_F(MainWindowTest, RememberedComputerNotHeardSleepsInsteadOfTheHelpRowAndAsksToWake) {
    CRememberedComputers(m_app.m_config.Registry()).Remember({"nas", "10.77.0.9", 4660, {}});
    Create();
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 5000);
    ASSERT_EQ(Rows()->rowCount(), 2);
    EXPECT_EQ(Rows()->ItemData(0), kSleepingHeaderData);
    EXPECT_EQ(List()->visualRect(Rows()->index(0, 0)).height(), g_app.m_headerHeight);
    EXPECT_EQ(Rows()->Text(1), QStringLiteral("nas"));

    TapRow(List(), 0);
    EXPECT_TRUE(m_app.Texts().isEmpty()) << "the header is no button";
    m_app.m_boxes.Answer(platform::IDNO);
    TapRow(List(), 1);
    m_app.m_boxes.Answer(platform::IDYES);
    TapRow(List(), 1);
    const auto& shown = m_app.m_boxes.ShownBoxes();
    ASSERT_EQ(shown.size(), 3u);
    for (size_t i : {0u, 1u}) {
        EXPECT_EQ(shown[i].text, QStringLiteral("Wake nas?"));
        EXPECT_EQ(shown[i].flags, platform::MB_YESNO | platform::MB_ICONQUESTION);
    }
    EXPECT_TRUE(shown[2].text.startsWith("Cannot wake nas: its network card's"));
    EXPECT_EQ(shown[2].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

TEST_F(MainWindowTest, ToolsSoftKeyOffersTheToolsMenuAndCloseEndsTheEventLoop) {
    Create();
    auto* bar = m_window->findChild<CSoftKeyBar*>();
    ASSERT_TRUE(bar);
    ASSERT_EQ(bar->ButtonCount(), 1);
    EXPECT_EQ(bar->Button(0)->text(), QStringLiteral("Tools"));
    QAction* close = bar->Menu(0)->actions().last();
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    QTimer::singleShot(0, close, &QAction::trigger);
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(MainWindowTest, LayoutAfterAResizeAt96And192Dpi) {
    for (const auto& [dpi, work, window, header, row] :
         {std::tuple{96, QSize(240, 320), QSize(300, 500), 24, 40},
          std::tuple{192, QSize(480, 640), QSize(600, 1000), 48, 80}}) {
        SCOPED_TRACE(dpi);
        CScreenSetup screen(dpi, work.width(), work.height());
        Create();
        Add(QStringLiteral("Study"));
        m_window->resize(window);
        const int w = window.width();
        EXPECT_EQ(g_app.m_listHeader->geometry(), QRect(0, -header / 24, w, header));
        const int barHeight = header * 26 / 24;
        EXPECT_EQ(g_app.m_listView->geometry(),
                  QRect(0, header, w, window.height() - header - barHeight));
        List()->doItemsLayout();
        const QRect r = List()->visualRect(Rows()->index(0, 0));
        EXPECT_EQ(r.height(), row);
        EXPECT_EQ(r.width(), List()->viewport()->width());
        EXPECT_EQ(m_window->focusProxy(), g_app.m_listView);
        Close();
    }
}
