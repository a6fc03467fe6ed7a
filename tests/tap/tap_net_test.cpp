// From tap to command over real mDNS and TCP: dormo-helper advertises in one namespace of the
// test's own, the program runs here in the other.
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/helper_process.h"
#include "common/net_test.h"
#include "common/wake_listener.h"
#include "connection/connection_fakes.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "discovery/computer_list_model.h"
#include "discovery/remembered_computers.h"
#include "platform/dnssd_embedded.h"
#include "modal_script.h"
#include "tap_steps.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>
#include <memory>

namespace {

const QString kComputer = QStringLiteral("tap-pc");
const QByteArray kPassword = "Secret";

class TapNetTest : public NetTest {
protected:
    TapNetTest() : NetTest(QStringLiteral("tap")) {}

    void SetUp() override {
        NetTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        StartHelper();
        g_app.m_dnsSd = &m_engine;
        m_window = std::make_unique<CMainWindow>();
        m_window->OnCreate();
        ASSERT_TRUE(WaitUntil([] { return g_app.m_listModel->FindRow(kComputer) >= 0; }))
            << "the computer did not appear\n"
            << m_helper->Log().constData();
    }
    void TearDown() override {
        if (m_window) ShutDown();
        m_window.reset();
        m_helper.reset();
        NetTest::TearDown();
    }

    void StartHelper() {
        m_helper = std::make_unique<CHelperProcess>(
            kPassword, QStringList{"ip", "netns", "exec", m_pair->NameA()},
            QStringList{"--host-name", kComputer});
    }
    // The computer's row when it is of the given kind.
    static bool Listed(int itemData) {
        const int row = g_app.m_listModel->FindRow(kComputer);
        return row >= 0 && g_app.m_listModel->ItemData(row) == itemData;
    }

    // Taps the computer's row; returns once every page it opened has ended again.
    void TapComputer() {
        const int row = g_app.m_listModel->FindRow(kComputer);
        ASSERT_GE(row, 0);
        TapRow(g_app.m_listView, row);
        EXPECT_FALSE(m_script.TimedOut());
        EXPECT_EQ(m_script.StepsRun(), m_script.Steps());
        EXPECT_EQ(FrontPage(), nullptr) << "the list is in front again";
        EXPECT_FALSE(IsConnected());
        EXPECT_EQ(g_app.m_commandList, nullptr);
    }
    void LogIn() {
        m_script.When<CPasswordDialog>([](CPasswordDialog& page) {
            EXPECT_EQ(HeaderText(page), kComputer);
            TypePasswordAndLogin(page, kPassword);
        });
    }

    CConnectionTestApp m_app;
    std::unique_ptr<CHelperProcess> m_helper;
    platform::CEmbeddedDnsSd m_engine;
    std::unique_ptr<CMainWindow> m_window;
    CModalScript m_script;
};

}  // namespace

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
        for (QWidget* widget : g_app.m_mainWindow->findChildren<QWidget*>())
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
        QObject::connect(&screen, &CPage::finished, [&] {
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

TEST_F(TapNetTest, ComputerThatIsGoneCannotBeReachedWithinTheConnectBound) {
    // Gone without a word, its address silent: only our connect bound can end the attempt.
    m_helper->Kill();
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

TEST_F(TapNetTest, ComputerLoggedInOnceSleepsWhenSilentWakesOnATapAndComesBackWhenItAnswers) {
    const auto link = platform::ParseMac(LinkMac(m_pair->NameA()));
    ASSERT_TRUE(link);
    LogIn();
    m_script.When<CCommandScreen>([](CCommandScreen& screen) { ClickSoftKey(screen, 1); });
    TapComputer();
    const int entry = g_app.m_listModel->Entry(g_app.m_listModel->FindRow(kComputer));
    EXPECT_EQ(g_app.m_computers[size_t(entry)].m_advertisedMacs, std::vector{*link})
        << "the helper advertises its interface's MAC";
    const std::vector<CRememberedComputer> remembered{
        {kComputer, m_pair->AddressA().toStdString(), 4660, link}};
    EXPECT_EQ(CRememberedComputers(*m_app.m_config.Reopen()).Load(), remembered);

    CWakeListener listener(m_pair->NameA());
    ASSERT_TRUE(listener.Ok());
    m_helper.reset();
    ASSERT_TRUE(WaitUntil([] { return Listed(kSleepingRowData); }, 40000));
    EXPECT_EQ(g_app.m_listModel->Text(g_app.m_listModel->SleepingHeaderRow()),
              QStringLiteral("Sleeping Computers"));

    m_app.m_boxes.Answer(platform::IDYES);
    TapRow(g_app.m_listView, g_app.m_listModel->FindRow(kComputer));
    EXPECT_EQ(m_app.Texts(), (QStringList{"Wake tap-pc?", "Wake-up sent to tap-pc."}));
    const QByteArray packet =
        QByteArray(6, char(0xFF)) +
        QByteArray(reinterpret_cast<const char*>(link->data()), 6).repeated(16);
    const auto received = listener.Receive(3);
    EXPECT_EQ(received.size(), 3u);
    for (const auto& datagram : received) EXPECT_EQ(datagram.bytes.toHex(), packet.toHex());

    StartHelper();
    ASSERT_TRUE(WaitUntil([] { return Listed(kComputerRowData); }, 40000));
    EXPECT_EQ(g_app.m_listModel->SleepingHeaderRow(), -1);
}
