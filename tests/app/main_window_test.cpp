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
    // The header of the page that action opens; empty when none opens.
    static QString PageOpenedBy(const std::function<void()>& action) {
        QString header;
        WithOpenPage(action, [&](CPage& page) { header = HeaderText(page); });
        return header;
    }

    CTestApp m_app;
    std::unique_ptr<CMainWindow> m_window;
};

}  // namespace

TEST_F(MainWindowTest, AfterOneSecondTheHelpRowOnlyWhenNoComputerWasFoundOrRememberedAtEachDpi) {
    enum Start { kNothing, kCameAndWent, kRemembered };
    for (const auto& [start, dpi] :
         {std::pair{kNothing, 96}, std::pair{kCameAndWent, 192}, std::pair{kRemembered, 96}}) {
        SCOPED_TRACE(start);
        CScreenSetup screen(dpi, 240 * dpi / 96, 320 * dpi / 96);
        if (start == kRemembered)
            CRememberedComputers(m_app.m_config.Registry())
                .Remember({"nas", "10.77.0.9", 4660, {}});
        Create();
        ASSERT_TRUE(QApplication::overrideCursor());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        if (start == kCameAndWent) {
            Add(QStringLiteral("Study"));
            Rows()->RemoveRow(0);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 5000);
        std::vector<int> rows;
        for (int row = 0; row < Rows()->rowCount(); ++row) rows.push_back(Rows()->ItemData(row));
        const std::vector<int> expected[] = {
            {kHelpRowData}, {}, {kSleepingHeaderData, kSleepingRowData}};
        EXPECT_EQ(rows, expected[start]);
        // Laid out again after a resize: the header one scaled pixel up, the list below it down
        // to the soft keys.
        const int w = 300 * dpi / 96, h = 500 * dpi / 96, header = 24 * dpi / 96;
        m_window->resize(w, h);
        EXPECT_EQ(g_app.m_listHeader->geometry(), QRect(0, -dpi / 96, w, header));
        EXPECT_EQ(g_app.m_listView->geometry(), QRect(0, header, w, h - header - 26 * dpi / 96));
        EXPECT_EQ(m_window->focusProxy(), g_app.m_listView);
        if (start != kRemembered) Close();
    }
    // The remembered computer sleeps under a header that is no button, and a tap asks to wake it.
    EXPECT_EQ(List()->visualRect(Rows()->index(0, 0)).height(), g_app.m_headerHeight);
    TapRow(List(), 0);
    m_app.m_boxes.Answer(platform::IDNO);
    TapRow(List(), 1);
    m_app.m_boxes.Answer(platform::IDYES);
    TapRow(List(), 1);
    const QStringList texts = m_app.Texts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts.mid(0, 2), QStringList(2, QStringLiteral("Wake nas?")));
    EXPECT_TRUE(texts[2].startsWith("Cannot wake nas: its network card's"));
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[2].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

TEST_F(MainWindowTest, ARowOpensThePageOfWhatItShowsOnATapOrArrowsAndEnterAndCloseEndsTheLoop) {
    Create();
    m_window->OnHelpRowTimer();
    g_app.m_selectedComputer = 5;
    CPressedPaintSpy spy;
    List()->viewport()->installEventFilter(&spy);
    EXPECT_EQ(PageOpenedBy([] { TapRow(List(), 0); }), QStringLiteral("Help"));
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
    EXPECT_EQ(PageOpenedBy([] { TapRow(List(), 0); }), QStringLiteral("Garage"));
    EXPECT_TRUE(spy.m_sawPressedPaint);
    EXPECT_EQ(g_app.m_selectedComputer, 1);

    List()->setCurrentIndex(Rows()->index(0, 0));
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(List()->currentIndex().row(), 1);
    EXPECT_EQ(PageOpenedBy([] { QTest::keyClick(List(), Qt::Key_Return); }), "Study");
    EXPECT_EQ(g_app.m_selectedComputer, 0);

    // The last item of the Tools soft key's menu ends the event loop with 0.
    QAction* close = m_window->findChild<CSoftKeyBar*>()->Menu(0)->actions().last();
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    QTimer::singleShot(0, close, &QAction::trigger);
    EXPECT_EQ(QApplication::exec(), 0);
}
