#include "app/app.h"
#include "app/main_window.h"
#include "common/screen_setup.h"
#include "common/temp_config.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"
#include "platform/cursor.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/page.h"
#include "ui/row_list_view.h"
#include "ui/soft_key_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

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

struct PageSeen {
    QString header;
    QStringList softKeys;
    QRect geometry;
    QString text;
};

// Arranges for the next modal page to be recorded and closed from inside its event loop.
void RecordNextPage(PageSeen& seen) {
    QTimer::singleShot(0, [&seen] {
        auto* page = qobject_cast<CPage*>(QApplication::activeModalWidget());
        if (!page) return;
        if (auto* header = page->findChild<CHeaderLabel*>(QStringLiteral("header")))
            seen.header = header->text();
        if (CSoftKeyBar* bar = page->SoftKeyBar())
            for (int i = 0; i < bar->ButtonCount(); ++i) seen.softKeys << bar->Button(i)->text();
        seen.geometry = page->geometry();
        if (auto* text = page->findChild<QPlainTextEdit*>()) seen.text = text->toPlainText();
        page->reject();
    });
}

class MainWindowTest : public ::testing::Test {
protected:
    explicit MainWindowTest(int dpi = 96, QSize work = {240, 320})
        : m_screen(dpi, work.width(), work.height()) {}
    ~MainWindowTest() override {
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
        g_app.m_computers.push_back({name, 0, "10.77.0.2", name.toStdString(), 0, true});
        g_app.m_listModel->AppendRow(name, kComputerRowData, int(g_app.m_computers.size()) - 1);
    }
    CRowListView* List() const { return static_cast<CRowListView*>(g_app.m_listView); }
    void Tap(int row) {
        List()->doItemsLayout();
        const QRect r = List()->visualRect(g_app.m_listModel->index(row, 0));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, r.center());
    }

    CTempConfig m_config;
    CScreenSetup m_screen;
    std::unique_ptr<CMainWindow> m_window;
};

}  // namespace

TEST_F(MainWindowTest, HelpRowAfterOneSecondOnlyWhileNothingWasRecorded) {
    Create();
    EXPECT_EQ(g_app.m_listModel->rowCount(), 0);
    ASSERT_TRUE(QApplication::overrideCursor());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 5000);
    ASSERT_EQ(g_app.m_listModel->rowCount(), 1);
    EXPECT_EQ(g_app.m_listModel->ItemData(0), kHelpRowData);
    EXPECT_EQ(g_app.m_listModel->Text(0), QStringLiteral("Can't see your PC? Tap here!"));
    EXPECT_EQ(g_app.m_listModel->Entry(0), -1);
}

TEST_F(MainWindowTest, TheFirstComputerFoundReplacesTheHelpRow) {
    Create();
    QTRY_COMPARE_WITH_TIMEOUT(g_app.m_listModel->rowCount(), 1, 5000);
    ASSERT_EQ(g_app.m_listModel->ItemData(0), kHelpRowData);
    AddOrUpdateComputer(*g_app.m_listModel, g_app.m_computers, QStringLiteral("deskpc"), "deskpc",
                        "10.77.0.1", 0x3412, 5000);
    ASSERT_EQ(g_app.m_listModel->rowCount(), 1);
    EXPECT_EQ(g_app.m_listModel->ItemData(0), kComputerRowData);
    EXPECT_EQ(g_app.m_listModel->Text(0), QStringLiteral("deskpc"));
    EXPECT_EQ(g_app.m_listModel->Entry(0), 0);
    ASSERT_EQ(g_app.m_computers.size(), 1u);
    EXPECT_EQ(g_app.m_computers[0].m_name, QStringLiteral("deskpc"));
}

TEST_F(MainWindowTest, AComputerFoundInTheFirstSecondMeansNoHelpRowThisRun) {
    Create();
    AddComputer(QStringLiteral("Study"));
    g_app.m_listModel->RemoveRow(0);  // the computer fell silent again
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 5000);
    EXPECT_EQ(g_app.m_listModel->rowCount(), 0);
}

TEST_F(MainWindowTest, TappingTheHelpRowFlashesRowZeroAndOpensHelp) {
    Create();
    m_window->OnHelpRowTimer();
    g_app.m_selectedComputer = 5;
    CPressedPaintSpy spy;
    List()->viewport()->installEventFilter(&spy);
    PageSeen seen;
    RecordNextPage(seen);
    Tap(0);
    EXPECT_TRUE(spy.m_sawPressedPaint);
    EXPECT_FALSE(g_app.m_rowPressed);
    EXPECT_EQ(g_app.m_selectedComputer, 0);
    EXPECT_EQ(seen.header, QStringLiteral("Help"));
    EXPECT_EQ(seen.softKeys, QStringList{QStringLiteral("Close")});
    EXPECT_EQ(seen.geometry, QRect(m_window->mapToGlobal(QPoint(0, 0)), m_window->size()));
}

TEST_F(MainWindowTest, TappingAComputerOpensThePageOfTheComputerItsRowShows) {
    Create();
    // Rows out of step with the entries: each row still opens its own computer.
    g_app.m_computers.push_back({QStringLiteral("Study"), 0, "10.77.0.2", "Study", 0, true});
    g_app.m_computers.push_back({QStringLiteral("Garage"), 0, "10.77.0.3", "Garage", 0, true});
    g_app.m_listModel->AppendRow(QStringLiteral("Garage"), kComputerRowData, 1);
    g_app.m_listModel->AppendRow(QStringLiteral("Study"), kComputerRowData, 0);
    CPressedPaintSpy spy;
    List()->viewport()->installEventFilter(&spy);
    PageSeen seen;
    RecordNextPage(seen);
    Tap(0);
    EXPECT_TRUE(spy.m_sawPressedPaint);
    EXPECT_EQ(g_app.m_selectedComputer, 1);
    EXPECT_EQ(seen.header, QStringLiteral("Garage"));
    EXPECT_EQ(seen.softKeys, (QStringList{"Login", "Cancel"}));
}

TEST_F(MainWindowTest, ArrowKeysMoveAndEnterActivates) {
    Create();
    AddComputer(QStringLiteral("Study"));
    AddComputer(QStringLiteral("Garage"));
    List()->setCurrentIndex(g_app.m_listModel->index(0, 0));
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(List()->currentIndex().row(), 1);
    PageSeen seen;
    RecordNextPage(seen);
    QTest::keyClick(List(), Qt::Key_Return);
    EXPECT_EQ(g_app.m_selectedComputer, 1);
    EXPECT_EQ(seen.header, QStringLiteral("Garage"));
}

TEST_F(MainWindowTest, ToolsSoftKeyOffersTheToolsMenuAndCloseEndsTheEventLoop) {
    Create();
    auto* bar = m_window->findChild<CSoftKeyBar*>();
    ASSERT_TRUE(bar);
    ASSERT_EQ(bar->ButtonCount(), 1);
    EXPECT_EQ(bar->Button(0)->text(), QStringLiteral("Tools"));
    QMenu* tools = bar->Menu(0);
    ASSERT_TRUE(tools);
    PageSeen help;
    RecordNextPage(help);
    tools->actions()[2]->trigger();
    EXPECT_EQ(help.header, QStringLiteral("Help"));
    EXPECT_TRUE(help.text.contains(QStringLiteral("Firewall"))) << help.text.toStdString();
    QAction* close = tools->actions().last();
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    QTimer::singleShot(0, close, &QAction::trigger);
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheEventLoop) {
    Create();
    QTimer::singleShot(0, m_window.get(), &QWidget::close);
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(MainWindowTest, LayoutAt96Dpi) {
    Create();
    AddComputer(QStringLiteral("Study"));
    m_window->resize(300, 500);
    EXPECT_EQ(g_app.m_listHeader->geometry(), QRect(0, -1, 300, 24));
    EXPECT_EQ(g_app.m_listView->geometry(), QRect(0, 24, 300, 500 - 24 - 26));
    List()->doItemsLayout();
    const QRect row = List()->visualRect(g_app.m_listModel->index(0, 0));
    EXPECT_EQ(row.height(), 40);
    EXPECT_EQ(row.width(), List()->viewport()->width());
}

class MainWindowTest192 : public MainWindowTest {
protected:
    MainWindowTest192() : MainWindowTest(192, {480, 640}) {}
};

TEST_F(MainWindowTest192, LayoutAt192Dpi) {
    Create();
    AddComputer(QStringLiteral("Study"));
    m_window->resize(600, 1000);
    EXPECT_EQ(g_app.m_listHeader->geometry(), QRect(0, -2, 600, 48));
    EXPECT_EQ(g_app.m_listView->geometry(), QRect(0, 48, 600, 1000 - 48 - 52));
    List()->doItemsLayout();
    EXPECT_EQ(List()->visualRect(g_app.m_listModel->index(0, 0)).height(), 80);
    EXPECT_EQ(m_window->focusProxy(), g_app.m_listView);
}
