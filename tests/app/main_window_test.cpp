#include "app/main_window.h"
#include "app/start_up.h"
#include "common/eventually.h"
#include "common/helper_process.h"
#include "common/isolated_network.h"
#include "common/page_driver.h"
#include "connection/connection_fakes.h"
#include "connection/password_hash.h"
#include "dialogs/command_screen_command.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"
#include "discovery/remembered_computers.h"
#include "platform/cursor.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"
#include "platform/tick_count.h"
#include "resources/resource_ids.h"
#include "ui/row_list_view.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QWindow>

#include <csignal>

namespace {

int ThreadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).count()) - 2;
}

// The main window made here, or the whole program run as main() runs it, with settings and
// runtime folders of its own.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NetworkIsolated()) GTEST_SKIP() << "needs a private network namespace (root)";
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    }
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

    CConnectionTestApp m_app;
    QTemporaryDir m_runtime;
    std::unique_ptr<CMainWindow> m_window;
};

}  // namespace

TEST_F(MainWindowTest, AfterOneSecondTheHelpRowOnlyWhenNoComputerWasFoundOrRemembered) {
    enum Start { kNothing, kCameAndWent, kRemembered };
    for (const Start start : {kNothing, kCameAndWent, kRemembered}) {
        SCOPED_TRACE(start);
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
        EXPECT_EQ(m_window->focusProxy(), g_app.m_listView);
        if (start != kRemembered) Close();
    }
    // The remembered computer sleeps under a header that is no button; woken without a known
    // hardware address, it cannot be.
    TapRow(List(), 0);
    m_app.m_boxes.Answer(platform::IDYES);
    TapRow(List(), 1);
    const QStringList texts = m_app.Texts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], QStringLiteral("Wake nas?"));
    EXPECT_TRUE(texts[1].startsWith("Cannot wake nas: its network card's"));
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[1].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

TEST_F(MainWindowTest, ARowOpensThePageOfWhatItShowsOnATapOrArrowsAndEnter) {
    Create();
    m_window->OnHelpRowTimer();
    g_app.m_selectedComputer = 5;
    EXPECT_EQ(PageOpenedBy([] { TapRow(List(), 0); }), QStringLiteral("Help"));
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
    EXPECT_EQ(PageOpenedBy([] { TapRow(List(), 0); }), QStringLiteral("Garage"));
    EXPECT_EQ(g_app.m_selectedComputer, 1);

    List()->setCurrentIndex(Rows()->index(0, 0));
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(List()->currentIndex().row(), 1);
    EXPECT_EQ(PageOpenedBy([] { QTest::keyClick(List(), Qt::Key_Return); }), "Study");
    EXPECT_EQ(g_app.m_selectedComputer, 0);
}

TEST_F(MainWindowTest, EveryWayOutOverAPageOnTheCommandScreenEndsEverythingWithCodeZero) {
    platform::CRegKey key;
    m_app.m_config.Registry().CreateKey(kProductKey, &key);
    key.SetDword(QStringLiteral("FirstRunPassed"), 1);
    CHelperProcess helper("Secret");
    ASSERT_NE(helper.Port(), 0) << helper.Log().constData();
    const auto signal = [](int number) {
        return [number](CPage&) {
            std::raise(number);
            QCoreApplication::processEvents();
        };
    };
    const std::pair<const char*, std::function<void(CPage&)>> ways[] = {
        {"Close", [](CPage& screen) { OnCommandScreenCommand(g_app, &screen, IDM_CLOSE); }},
        {"main window's Close",
         [](CPage&) {
             g_app.m_mainWindow->findChild<CSoftKeyBar*>()->Menu(0)->actions().last()->trigger();
         }},
        {"window closed", [](CPage&) { g_app.m_mainWindow->windowHandle()->close(); }},
        {"SIGTERM", signal(SIGTERM)},
        {"SIGINT", signal(SIGINT)},
        {"SIGHUP", signal(SIGHUP)},
        {"SIGTERM over a message box",
         [](CPage& screen) {
             QTimer::singleShot(0, [] { std::raise(SIGTERM); });
             platform::CMessageBoxes().Show(&screen, QStringLiteral("Sent."),
                                            QStringLiteral("Dormo"), platform::MB_OK);
         }},
    };
    const int before = ThreadCount();
    int run = 0;
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        CFakePasswordPage password;
        CFakeCommandScreen runner;
        int threadsWhileConnected = 0;
        bool aboutOpen = false;
        // The command screen runs a page; the way out is chosen while About is open over it,
        // three loops deep.
        runner.m_script = [&, &way = way] {
            CPage screen;
            WithOpenPage([&] { RunDialog(IDD_COMMAND_SCREEN, g_app.m_mainWindow, screen); },
                         [&](CPage&) {
                             threadsWhileConnected = ThreadCount();
                             WithOpenPage(
                                 [&] { OnCommandScreenCommand(g_app, &screen, IDM_ABOUT); },
                                 [&](CPage& about) {
                                     aboutOpen = about.TemplateId() == IDD_ABOUT;
                                     way(screen);
                                     EXPECT_TRUE(IsConnected()) << "the request closes nothing";
                                 });
                         });
        };
        QTimer::singleShot(0, [&] {
            m_app.SetComputer(QStringLiteral("study"), helper.Port());
            ConnectAndAuthorise(password, PasswordHash(QStringLiteral("Secret")), runner);
        });
        EXPECT_EQ(RunWithinLimit(RunDormo), 0);
        EXPECT_TRUE(aboutOpen);
        EXPECT_GT(threadsWhileConnected, before) << "the keep-alive was running";
        EXPECT_EQ(password.m_ends, 1);
        EXPECT_FALSE(IsConnected());
        // A joined thread can stay listed for a moment while the kernel reaps it.
        EXPECT_TRUE(Eventually([&] { return ThreadCount() == before; }, 2000)) << ThreadCount();
        EXPECT_TRUE(g_app.m_listModel.isNull()) << "the list went with the window";
        EXPECT_TRUE(helper.WaitForLog(QStringLiteral("connection closed"), ++run));
    }
    EXPECT_TRUE(m_app.m_boxes.ShownBoxes().empty());
}

// While a copy runs another ends at once, writes no settings and brings the running window back;
// the socket of a copy that died stops nothing. The notice opens at each start until ended with
// its box ticked.
TEST_F(MainWindowTest, SecondCopyEndsAtOnceAndTheFirstRunNoticeOpensUntilPassedWithItsBoxTicked) {
    QTemporaryDir config;
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(DORMO_BINARY), {});
    first.waitForStarted();
    // Ready once it has created its settings file.
    const QString settings = config.filePath(QStringLiteral("dormo/registry.txt"));
    ASSERT_TRUE(Eventually([&] { return QFile::exists(settings); }));
    const QStringList written = QDir(m_app.m_config.Path()).entryList(QDir::AllEntries);
    {
        QTimer stays;  // fires only if this copy opened a window
        stays.callOnTimeout([] { QApplication::exit(1); });
        stays.start(0);
        EXPECT_EQ(RunWithinLimit(RunDormo), 0);
    }
    EXPECT_EQ(QDir(m_app.m_config.Path()).entryList(QDir::AllEntries), written);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();

    int run = 0;
    for (const bool tick : {false, true, true}) {
        bool noticeOpen = false;
        // After RunDormo's own first events: inside the notice when it opened.
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                if (CPage* notice = FrontPage()) {
                    noticeOpen = true;
                    // The offscreen screen, 800x800, is a desktop's: a phone-sized window on it.
                    EXPECT_EQ(g_app.m_mainWindow->size(), QSize(360, 640));
                    EXPECT_EQ(notice->TemplateId(), IDD_FIRST_RUN);
                    EXPECT_EQ(notice->parentWidget(), g_app.m_mainWindow);
                    auto* box = notice->ControlAs<QCheckBox>(IDC_DONT_SHOW_AGAIN);
                    EXPECT_EQ(notice->focusWidget(), box);
                    if (tick) QTest::mouseClick(box, Qt::LeftButton);
                    ClickSoftKey(*notice, 0);
                    EXPECT_FALSE(notice->isVisible());
                }
                QTimer::singleShot(0, [] { g_app.m_mainWindow->close(); });
            });
        });
        EXPECT_EQ(RunWithinLimit(RunDormo), 0);
        EXPECT_EQ(noticeOpen, ++run < 3);
    }

    // A copy started while this one runs brings its minimised window back.
    QTimer::singleShot(0, [] {
        g_app.m_mainWindow->showMinimized();
        EXPECT_FALSE(platform::CSingleInstance(QStringLiteral("DormoClass")).BecomePrimary());
        EXPECT_TRUE(Eventually([] { return !g_app.m_mainWindow->isMinimized(); }, 5000));
        g_app.m_mainWindow->close();
    });
    EXPECT_EQ(RunWithinLimit(RunDormo), 0);
}
