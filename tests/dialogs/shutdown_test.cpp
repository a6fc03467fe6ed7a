#include "app/app.h"
#include "app/start_up.h"
#include "common/helper_process.h"
#include "common/isolated_network.h"
#include "common/page_driver.h"
#include "common/recording_message_boxes.h"
#include "connection/connection_fakes.h"
#include "connection/connect_and_authorise.h"
#include "connection/connection_screens.h"
#include "connection/password_hash.h"
#include "dialogs/command_screen_command.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <arpa/inet.h>

#include <csignal>
#include <functional>

namespace {

int ThreadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).count()) - 2;
}

// A command screen whose commands go where the real one sends them.
class CCommandScreenPage : public CPage {
public:
    void OnCommand(int id) override { OnCommandScreenCommand(g_app, this, id); }
};

// Runs that screen; the script runs inside it once it is open.
class CScreenRunner : public CCommandScreenRunner {
public:
    void RunCommandScreen() override {
        CCommandScreenPage screen;
        QTimer::singleShot(0, &screen, [this, &screen] {
            m_connectedWhileRunning = IsConnected();
            m_script(screen);
        });
        RunDialog(IDD_COMMAND_SCREEN, g_app.m_mainWindow, screen);
    }
    void OnComputerLost() override {}

    std::function<void(CPage&)> m_script;
    bool m_connectedWhileRunning = false;
};

// The program run as main() runs it, with its own settings and runtime folders.
class Shutdown : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NetworkIsolated()) GTEST_SKIP() << "needs a private network namespace (root)";
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        m_previousBoxes = g_app.m_messageBoxes;
        g_app.m_messageBoxes = &m_boxes;
        // A program that fails to end would hang the test; this ends it with a wrong code.
        m_watchdog.setSingleShot(true);
        QObject::connect(&m_watchdog, &QTimer::timeout, [] { QApplication::exit(1); });
        m_watchdog.start(60000);
    }
    void TearDown() override {
        g_app.m_messageBoxes = m_previousBoxes;
        g_app.m_computers.clear();
    }
    void PassFirstRun() {
        platform::CRegistry registry(platform::CRegistry::DefaultPath());
        platform::CRegKey key;
        registry.CreateKey(kProductKey, &key);
        key.SetDword(QStringLiteral("FirstRunPassed"), 1);
    }
    // Connects to helper from inside the running program; the screen runs script.
    void ConnectOnceRunning(CHelperProcess& helper, std::function<void(CPage&)> script) {
        m_runner.m_script = std::move(script);
        QTimer::singleShot(0, [this, &helper] {
            CListEntry entry;
            entry.m_name = QStringLiteral("study");
            entry.m_address = "127.0.0.1";
            entry.m_port = htons(helper.Port());
            g_app.m_computers = {entry};
            g_app.m_selectedComputer = 0;
            ConnectAndAuthorise(m_password, PasswordHash(QStringLiteral("Secret")), m_runner);
        });
    }

    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
    QTimer m_watchdog;
    CRecordingMessageBoxes m_boxes;
    platform::CMessageBoxes* m_previousBoxes = nullptr;
    CScreenRunner m_runner;
    CFakePasswordPage m_password;
};

}  // namespace

TEST_F(Shutdown, EveryWayOutOverAPageOnTheCommandScreenEndsEverythingWithCodeZero) {
    PassFirstRun();
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
        m_password.m_ends = 0;
        int threadsWhileConnected = 0;
        bool aboutOpen = false;
        ConnectOnceRunning(helper, [&, &way = way](CPage& screen) {
            threadsWhileConnected = ThreadCount();
            // Chosen while About is open over the screen: three loops deep.
            WithOpenPage([&] { OnCommandScreenCommand(g_app, &screen, IDM_ABOUT); },
                         [&](CPage& about) {
                             aboutOpen = about.TemplateId() == IDD_ABOUT;
                             way(screen);
                             EXPECT_TRUE(IsConnected()) << "the request closes nothing itself";
                         });
        });
        EXPECT_EQ(RunDormo(), 0);
        EXPECT_TRUE(m_runner.m_connectedWhileRunning);
        EXPECT_TRUE(aboutOpen);
        EXPECT_GT(threadsWhileConnected, before) << "the keep-alive was running";
        EXPECT_EQ(m_password.m_ends, 1);
        EXPECT_FALSE(IsConnected());
        EXPECT_EQ(ThreadCount(), before);
        EXPECT_EQ(g_app.m_mainWindow, nullptr);
        EXPECT_TRUE(g_app.m_listModel.isNull()) << "the list went with the window";
        EXPECT_TRUE(helper.WaitForLog(QStringLiteral("connection closed"), ++run));
    }
    EXPECT_TRUE(m_boxes.ShownBoxes().empty());
}

// Runs inside after RunDormo's own first events: inside the First run notice when it opened.
void AfterStartUp(std::function<void()> inside) {
    QTimer::singleShot(0, [inside] { QTimer::singleShot(0, inside); });
}

TEST_F(Shutdown, FirstRunNoticeOpensAtStartUpUntilPassed) {
    for (const bool due : {true, false}) {
        bool noticeOpen = false;
        // After RunDormo's own first events: inside the notice when it opened.
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                CPage* notice = FrontPage();
                noticeOpen = notice != nullptr;
                if (notice) {
                    EXPECT_EQ(notice->TemplateId(), IDD_FIRST_RUN);
                    EXPECT_EQ(notice->parentWidget(), g_app.m_mainWindow);
                    QTest::mouseClick(notice->ControlAs<QCheckBox>(IDC_DONT_SHOW_AGAIN),
                                      Qt::LeftButton);
                    notice->OnCommand(IDOK_COMMAND);
                }
                QTimer::singleShot(0, [] { g_app.m_mainWindow->close(); });
            });
        });
        EXPECT_EQ(RunDormo(), 0);
        EXPECT_EQ(noticeOpen, due);
    }
}
