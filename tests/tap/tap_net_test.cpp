// From tap to command over real mDNS and TCP: dormo-helper advertises in one network namespace of
// the test's own, the program's main window, engine and pages run here in the other.
#include "app/app.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/isolated_network.h"
#include "common/netns.h"
#include "common/screen_setup.h"
#include "connection/connection_fakes.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "discovery/computer_list_model.h"
#include "modal_script.h"
#include "tap_steps.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <csignal>
#include <memory>
#include <utility>

namespace {

const QString kComputer = QStringLiteral("tap-pc");
const QByteArray kPassword = "Secret";

// dormo-helper advertising kComputer in side A of the pair; its log is kept for the test.
class CNetHelper {
public:
    explicit CNetHelper(const CNetnsPair& pair) {
        pair.Start(m_process, pair.NameA(), QStringLiteral(DORMO_HELPER_BINARY),
                   {"--password-stdin", "--host-name", kComputer});
        m_process.waitForStarted(10000);
        m_process.write(kPassword + "\n");
        m_process.closeWriteChannel();
    }
    ~CNetHelper() { Kill(SIGTERM); }

    void Signal(int signal) { ::kill(pid_t(m_process.processId()), signal); }
    void Kill(int signal) {
        if (m_process.state() == QProcess::NotRunning) return;
        Signal(signal);
        if (!m_process.waitForFinished(10000)) m_process.kill();
        m_process.waitForFinished(10000);
    }
    // Waits (at most 15 s) until the log holds text.
    bool WaitForLog(const QByteArray& text) {
        QDeadlineTimer deadline(15000);
        while (!Log().contains(text) && !deadline.hasExpired()) m_process.waitForReadyRead(100);
        return Log().contains(text);
    }
    QByteArray Log() {
        m_log += m_process.readAllStandardError();
        return m_log;
    }

private:
    QProcess m_process;
    QByteArray m_log;
};

class TapNetTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NetworkIsolated()) GTEST_SKIP() << "needs root to create network namespaces";
        m_pair = std::make_unique<CNetnsPair>(QStringLiteral("tap"));
        ASSERT_TRUE(m_pair->Ok()) << m_pair->Error().toStdString();
        m_inside = std::make_unique<CNetnsEnter>(m_pair->NameB());
        ASSERT_TRUE(m_inside->Ok());
        m_helper = std::make_unique<CNetHelper>(*m_pair);
        m_previousEngine = std::exchange(g_app.m_dnsSd, &m_engine);
        m_window = std::make_unique<CMainWindow>();
        m_window->OnCreate();
        g_app.m_savePasswords = true;
        ASSERT_TRUE(WaitUntil([] { return g_app.m_listModel->FindRow(kComputer) >= 0; }))
            << "the computer did not appear\n"
            << m_helper->Log().constData();
    }
    void TearDown() override {
        if (m_window) ShutDown();
        m_window.reset();
        if (m_previousEngine) g_app.m_dnsSd = m_previousEngine;
        g_app.m_mainWindow = nullptr;
        g_app.m_listView = nullptr;
        g_app.m_listModel = nullptr;
        g_app.m_listHeader = nullptr;
        m_helper.reset();
        m_inside.reset();
        m_pair.reset();
    }

    static bool WaitUntil(const std::function<bool()>& done, int limitMs = 20000) {
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.elapsed() > limitMs) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return true;
    }

    // Taps the computer's row; returns once every page it opened has ended again.
    void TapComputer() {
        const int row = g_app.m_listModel->FindRow(kComputer);
        ASSERT_GE(row, 0);
        TapRow(g_app.m_listView, row);
        EXPECT_FALSE(m_script.TimedOut());
        EXPECT_EQ(m_script.StepsRun(), m_script.Steps());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the list is in front again";
        EXPECT_FALSE(IsConnected());
    }
    void LogIn() {
        m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
            EXPECT_EQ(HeaderText(page), kComputer);
            TypePasswordAndLogin(page, kPassword);
        });
    }

    CConnectionTestApp m_app;
    CScreenSetup m_screen{96, 240, 320};
    std::unique_ptr<CNetnsPair> m_pair;
    std::unique_ptr<CNetnsEnter> m_inside;
    std::unique_ptr<CNetHelper> m_helper;
    platform::CDnsSdEngine m_engine;
    platform::CDnsSdEngine* m_previousEngine = nullptr;
    std::unique_ptr<CMainWindow> m_window;
    CModalScript m_script;
};

}  // namespace

TEST_F(TapNetTest, SleepReachesTheHelperAndBackClosesTheConnection) {
    LogIn();
    m_script.When<CCommandScreen>([this](CCommandScreen& screen) {
        EXPECT_EQ(HeaderText(screen), kComputer);
        TapRow(CommandList(screen), 1);
        EXPECT_TRUE(m_helper->WaitForLog("command Sleep\n"));
        ClickSoftKey(screen, 1);
    });
    TapComputer();
    ASSERT_EQ(m_app.Texts(), QStringList{"Sleep command sent"});
    const auto& box = m_app.m_boxes.ShownBoxes()[0];
    EXPECT_EQ(box.caption, QStringLiteral("Dormo"));
    EXPECT_EQ(box.flags, platform::MB_OK | platform::MB_ICONINFORMATION);
    EXPECT_TRUE(m_helper->WaitForLog("connection closed"));
    EXPECT_EQ(m_helper->Log().count("command "), 1);
}

TEST_F(TapNetTest, RefusedSavedHashIsDeletedAndTheNextVisitSkipsThePasswordPage) {
    WriteSavedHash(kComputer, PasswordHash("old password"));
    int pageShows = 0;
    m_script.When<CPasswordDialog>([&](CPasswordDialog& page) {
        ++pageShows;
        EXPECT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
        EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].flags,
                  platform::MB_OK | platform::MB_ICONEXCLAMATION);
        EXPECT_EQ(PasswordEdit(page)->text(), QString());
        EXPECT_FALSE(ReadSavedHash(kComputer));
        TypePasswordAndLogin(page, kPassword);
    });
    m_script.When<CCommandScreen>([](CCommandScreen& screen) { ClickSoftKey(screen, 1); });
    TapComputer();
    EXPECT_EQ(ReadSavedHash(kComputer).value_or(""), PasswordHash(kPassword));

    // The second visit: the saved hash logs in before the page would show.
    m_script.When<CCommandScreen>([&](CCommandScreen& screen) {
        for (QWidget* widget : QApplication::topLevelWidgets())
            EXPECT_FALSE(qobject_cast<CPasswordDialog*>(widget) && widget->isVisible());
        ClickSoftKey(screen, 1);
    });
    TapComputer();
    EXPECT_EQ(pageShows, 1);
    EXPECT_EQ(m_app.Texts(), QStringList{"Incorrect password."});
    EXPECT_EQ(m_helper->Log().count("authorised"), 2);
}

TEST_F(TapNetTest, HelperThatStopsAnsweringPingsBringsTheListBack) {
    LogIn();
    bool ownedByTheScreen = false;
    m_script.When<CCommandScreen>([&](CCommandScreen& screen) {
        QObject::connect(&screen, &QDialog::finished, [&] {
            const auto& shown = m_app.m_boxes.ShownBoxes();
            ownedByTheScreen = !shown.empty() && shown.back().owner == &screen;
        });
        m_helper->Signal(SIGUSR1);
    });
    TapComputer();
    ASSERT_EQ(m_app.Texts(), QStringList{"Computer disconnected."});
    EXPECT_TRUE(ownedByTheScreen);
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].caption, QStringLiteral("Dormo"));
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].flags, platform::MB_OK | platform::MB_ICONINFORMATION);
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(TapNetTest, EnterHeldFromThePasswordPageSendsNothing) {
    m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
        QTest::keyClicks(PasswordEdit(page), kPassword);
        QTest::keyPress(PasswordEdit(page), Qt::Key_Return);
    });
    m_script.When<CCommandScreen>([this](CCommandScreen& screen) {
        for (int repeat = 0; repeat < 5; ++repeat) {
            EnterKey(QEvent::KeyRelease, true);
            EnterKey(QEvent::KeyPress, true);
        }
        EnterKey(QEvent::KeyRelease);
        EXPECT_TRUE(m_app.Texts().isEmpty());
        ClickSoftKey(screen, 1);
    });
    TapComputer();
    EXPECT_TRUE(m_helper->WaitForLog("connection closed"));
    EXPECT_FALSE(m_helper->Log().contains("command ")) << m_helper->Log().constData();
}

TEST_F(TapNetTest, ComputerThatIsGoneCannotBeReachedWithinTheConnectBound) {
    // Gone without a word: no goodbye, and nothing comes back from its address. TCP here would
    // retry for hours, so only the program's own bound can end the attempt.
    m_helper->Kill(SIGKILL);
    QProcess ip;
    ip.start("ip", {"-n", m_pair->NameA(), "route", "add", "blackhole", m_pair->AddressB()});
    ASSERT_TRUE(ip.waitForFinished(10000) && ip.exitCode() == 0);
    ip.start("ip",
             {"netns", "exec", m_pair->NameB(), "sysctl", "-qw", "net.ipv4.tcp_syn_retries=127"});
    ASSERT_TRUE(ip.waitForFinished(10000) && ip.exitCode() == 0);
    LogIn();
    TapComputer();
    ASSERT_EQ(m_app.Texts(), QStringList{"Could not establish connection."});
    EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}
