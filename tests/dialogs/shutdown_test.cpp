#include "app/start_up.h"
#include "common/helper_process.h"
#include "common/isolated_network.h"
#include "common/page_driver.h"
#include "connection/connection_fakes.h"
#include "connection/password_hash.h"
#include "dialogs/command_screen_command.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QThread>
#include <QWindow>

#include <csignal>

namespace {

int ThreadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).count()) - 2;
}

// The program run as main() runs it, with its own settings and runtime folders.
class Shutdown : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NetworkIsolated()) GTEST_SKIP() << "needs a private network namespace (root)";
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    }

    CConnectionTestApp m_app;
    QTemporaryDir m_runtime;
};

}  // namespace

TEST_F(Shutdown, EveryWayOutOverAPageOnTheCommandScreenEndsEverythingWithCodeZero) {
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
        EXPECT_EQ(RunDormo(), 0);
        EXPECT_TRUE(aboutOpen);
        EXPECT_GT(threadsWhileConnected, before) << "the keep-alive was running";
        EXPECT_EQ(password.m_ends, 1);
        EXPECT_FALSE(IsConnected());
        EXPECT_EQ(ThreadCount(), before);
        EXPECT_TRUE(g_app.m_listModel.isNull()) << "the list went with the window";
        EXPECT_TRUE(helper.WaitForLog(QStringLiteral("connection closed"), ++run));
    }
    EXPECT_TRUE(m_app.m_boxes.ShownBoxes().empty());
}

// While a copy runs another ends at once and writes no settings; the socket of a copy that died
// stops nothing. The notice shows whole and ends only with OK; it opens at each start until ended
// with its box ticked.
TEST_F(Shutdown, SecondCopyEndsAtOnceAndTheFirstRunNoticeOpensUntilPassedWithItsBoxTicked) {
    QTemporaryDir config;
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(DORMO_BINARY), {});
    first.waitForStarted();
    // Ready once it has created its settings file.
    const QString settings = config.filePath(QStringLiteral("dormo/registry.txt"));
    for (int i = 0; i < 400 && !QFile::exists(settings); ++i) QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(settings));
    const QStringList written = QDir(m_app.m_config.Path()).entryList(QDir::AllEntries);
    {
        QTimer stays;  // fires only if this copy opened a window
        stays.callOnTimeout([] { QApplication::exit(1); });
        stays.start(0);
        EXPECT_EQ(RunDormo(), 0);
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
                    EXPECT_EQ(notice->TemplateId(), IDD_FIRST_RUN);
                    EXPECT_EQ(notice->parentWidget(), g_app.m_mainWindow);
                    auto* text = notice->ControlAs<QLabel>(IDC_FIRST_RUN_TEXT);
                    EXPECT_LE(text->geometry().right(), notice->ClientRect().right());
                    EXPECT_GE(text->height(), text->heightForWidth(text->width()));
                    auto* box = notice->ControlAs<QCheckBox>(IDC_DONT_SHOW_AGAIN);
                    EXPECT_GT(box->y(), text->geometry().bottom());
                    EXPECT_EQ(notice->focusWidget(), box);
                    QTest::keyClick(notice, Qt::Key_Escape);
                    notice->close();
                    EXPECT_TRUE(notice->isVisible());
                    if (tick) QTest::mouseClick(box, Qt::LeftButton);
                    ClickSoftKey(*notice, 0);
                    EXPECT_FALSE(notice->isVisible());
                }
                QTimer::singleShot(0, [] { g_app.m_mainWindow->close(); });
            });
        });
        EXPECT_EQ(RunDormo(), 0);
        EXPECT_EQ(noticeOpen, ++run < 3);
    }
}
