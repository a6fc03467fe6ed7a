// From tap to command over real mDNS and TCP: dormo-helper runs in one namespace of the test's
// own, the program here in the other.
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/helper_process.h"
#include "common/isolated_network.h"
#include "common/net_test.h"
#include "common/wake_listener.h"
#include "connection/connection_fakes.h"
#include "dialogs/main_window_command.h"
#include "discovery/computer_list_model.h"
#include "discovery/remembered_computers.h"
#include "platform/dnssd_embedded.h"
#include "modal_script.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QMenu>

#include <memory>

namespace {

const QString kComputer = QStringLiteral("tap-pc");

class TapNetTest : public NetTest {
protected:
    TapNetTest() : NetTest(QStringLiteral("tap")) {}

    void SetUp() override {
        NetTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        g_app.m_dnsSd = &m_engine;
        m_window = std::make_unique<CMainWindow>();
        m_window->OnCreate();
    }
    void TearDown() override {
        if (m_window) ShutDown();
        m_window.reset();
        m_helper.reset();
        NetTest::TearDown();
    }

    // The helper advertising kComputer; returns once its row is listed.
    void StartHelper() {
        m_helper = std::make_unique<CHelperProcess>(
            "Secret", QStringList{"ip", "netns", "exec", m_pair->NameA()},
            QStringList{"--host-name", kComputer});
        ASSERT_TRUE(Eventually([] { return Listed(kComputerRowData); }, 40000))
            << m_helper->Log().constData();
    }
    static bool Listed(int itemData) {
        const int row = g_app.m_listModel->FindRow(kComputer);
        return row >= 0 && g_app.m_listModel->ItemData(row) == itemData;
    }
    // Taps the computer's row; returns once every page it opened has ended again.
    void TapComputer() {
        const int row = g_app.m_listModel->FindRow(kComputer);
        ASSERT_GE(row, 0);
        TapRow(g_app.m_listView, row);
        EXPECT_TRUE(m_script.Done());
        EXPECT_FALSE(IsConnected());
    }

    CConnectionTestApp m_app;
    std::unique_ptr<CHelperProcess> m_helper;
    platform::CEmbeddedDnsSd m_engine;
    std::unique_ptr<CMainWindow> m_window;
    CModalScript m_script;
};

}  // namespace

// Gone at last without a word, its address silent: only our connect bound ends the attempt.
TEST_F(TapNetTest, ComputerLoggedInOnceSleepsWakesOnATapComesBackAndOnceGoneIsNotReached) {
    StartHelper();
    const auto link = platform::ParseMac(LinkMac(m_pair->NameA()));
    ASSERT_TRUE(link);
    m_script.When<CPasswordDialog>(LogInWith("Secret"));
    m_script.When<CCommandScreen>([](CCommandScreen& screen) { ClickSoftKey(screen, 1); });
    TapComputer();
    const std::vector<CRememberedComputer> remembered{
        {kComputer, m_pair->AddressA().toStdString(), 4660, link}};
    EXPECT_EQ(CRememberedComputers(*m_app.m_config.Reopen()).Load(), remembered);

    CWakeListener listener(m_pair->NameA());
    ASSERT_TRUE(listener.Ok());
    m_helper.reset();
    ASSERT_TRUE(Eventually([] { return Listed(kSleepingRowData); }, 40000));
    m_app.m_boxes.Answer(platform::IDYES);
    TapRow(g_app.m_listView, g_app.m_listModel->FindRow(kComputer));
    EXPECT_EQ(m_app.Texts(), (QStringList{"Wake tap-pc?", "Wake-up sent to tap-pc."}));
    const QByteArray packet =
        QByteArray(6, char(0xFF)) +
        QByteArray(reinterpret_cast<const char*>(link->data()), 6).repeated(16);
    const auto received = listener.Receive(3);
    EXPECT_EQ(received.size(), 3u);
    for (const auto& datagram : received) EXPECT_EQ(datagram.data().toHex(), packet.toHex());

    StartHelper();
    EXPECT_EQ(g_app.m_listModel->SleepingHeaderRow(), -1);

    m_helper->Kill();
    ASSERT_TRUE(Ip({"-n", m_pair->NameA(), "route", "add", "blackhole", m_pair->AddressB()}));
    ASSERT_TRUE(
        Ip({"netns", "exec", m_pair->NameB(), "sysctl", "-qw", "net.ipv4.tcp_syn_retries=127"}));
    TapComputer();  // with the saved password
    EXPECT_EQ(m_app.Boxes().last(), "warning: Could not establish connection.");
}

// Added by address, controlled, sent to by name from the command line with the saved password
// and the stored address (the helper does not advertise), then removed from its row's menu.
TEST_F(TapNetTest, ComputerAddedByAddressIsControlledSentToByNameAndRemovedFromItsRowMenu) {
    CHelperProcess helper("Secret", {"ip", "netns", "exec", m_pair->NameA()},
                          {"--no-advertise", "--port", "4661"});
    ASSERT_EQ(helper.Port(), 4661) << helper.Log().toStdString();
    m_script.When<CPage>([this](CPage& page) {
        page.ControlAs<QLineEdit>(IDC_COMPUTER_NAME)->setText("office");
        page.ControlAs<QLineEdit>(IDC_COMPUTER_ADDRESS)->setText(m_pair->AddressA());
        page.ControlAs<QLineEdit>(IDC_COMPUTER_PORT)->setText("0");
        ClickSoftKey(page, 0);
        EXPECT_EQ(m_app.Texts(), QStringList{"The port must be a number from 1 to 65535."});
        page.ControlAs<QLineEdit>(IDC_COMPUTER_PORT)->setText("4661");
        ClickSoftKey(page, 0);
    });
    m_script.When<CPasswordDialog>(LogInWith("Secret"));
    m_script.When<CCommandScreen>([&](CCommandScreen& screen) {
        TapRow(CommandList(screen), 1);
        EXPECT_TRUE(helper.WaitForLog("command Sleep\n"));
        ClickSoftKey(screen, 1);
    });
    OnMainWindowCommand(g_app, m_window.get(), IDM_ADD_COMPUTER);
    CComputerListModel& rows = *g_app.m_listModel;
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.Text(0) + ' ' + rows.Detail(0), "office " + m_pair->AddressA() + ":4661");
    TapRow(g_app.m_listView, 0);
    EXPECT_TRUE(m_script.Done());

    QProcess dormo;
    m_pair->Start(dormo, m_pair->NameB(), DORMO_BINARY, {"--send", "office", "lock"});
    ASSERT_TRUE(dormo.waitForFinished(30000));
    EXPECT_EQ(dormo.exitCode(), 0) << dormo.readAllStandardError().toStdString();
    EXPECT_TRUE(helper.WaitForLog("command Lock\n"));

    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu && menu->actions().size() == 1 && menu->actions()[0]->text() == "Remove");
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions()[0]).center());
    });
    const QPoint at = g_app.m_listView->visualRect(rows.index(0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                            g_app.m_listView->viewport()->mapToGlobal(at));
    QApplication::sendEvent(g_app.m_listView->viewport(), &event);
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_TRUE(CRememberedComputers(*m_app.m_config.Reopen()).Load().empty());
}
