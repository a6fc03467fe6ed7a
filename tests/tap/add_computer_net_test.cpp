// A computer added by address, controlled end to end against a dormo-helper that does not
// advertise, in a namespace of the test's own; the program runs in the other.
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/helper_process.h"
#include "common/isolated_network.h"
#include "common/net_test.h"
#include "common/screen_setup.h"
#include "connection/connection_fakes.h"
#include "dialogs/main_window_command.h"
#include "discovery/computer_list_model.h"
#include "discovery/remembered_computers.h"
#include "platform/dnssd_embedded.h"
#include "platform/host_lookup.h"
#include "modal_script.h"
#include "tap_steps.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QMenu>

class AddComputerNet : public NetTest {
protected:
    AddComputerNet() : NetTest(QStringLiteral("addc")) {}
    void TearDown() override {
        if (m_window) ShutDown();
        m_window.reset();
        if (m_previousEngine) g_app.m_dnsSd = m_previousEngine;
        g_app.m_mainWindow = g_app.m_listView = nullptr;
        g_app.m_listModel = nullptr;
        NetTest::TearDown();
    }

    CConnectionTestApp m_app;
    CScreenSetup m_screen{96, 240, 320};
    platform::CEmbeddedDnsSd m_engine;
    platform::CDnsSdEngine* m_previousEngine = nullptr;
    std::unique_ptr<CMainWindow> m_window;
    CModalScript m_script;
};

TEST_F(AddComputerNet, AddedByAddressItIsControlledSentToByNameAndRemovedFromItsRowMenu) {
    CHelperProcess helper("Secret", {"ip", "netns", "exec", m_pair->NameA()},
                          {"--no-advertise", "--port", "4661"});
    ASSERT_EQ(helper.Port(), 4661) << helper.Log().toStdString();
    m_previousEngine = std::exchange(g_app.m_dnsSd, &m_engine);
    m_window = std::make_unique<CMainWindow>();
    m_window->OnCreate();
    m_script.When<CPage>([this](CPage& page) {
        page.ControlAs<QLineEdit>(IDC_COMPUTER_NAME)->setText("office");
        page.ControlAs<QLineEdit>(IDC_COMPUTER_ADDRESS)->setText(m_pair->AddressA());
        page.ControlAs<QLineEdit>(IDC_COMPUTER_PORT)->setText("0");
        ClickSoftKey(page, 0);
        EXPECT_EQ(m_app.Texts(), QStringList{"The port must be a number from 1 to 65535."});
        page.ControlAs<QLineEdit>(IDC_COMPUTER_PORT)->setText("4661");
        ClickSoftKey(page, 0);
    });
    m_script.When<CPasswordDialog>(
        [](CPasswordDialog& page) { TypePasswordAndLogin(page, "Secret"); });
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
    EXPECT_EQ(m_script.StepsRun(), m_script.Steps());

    // With the saved password and the stored address, and no discovery.
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

TEST(HostLookup, TheHostsFileAnswersAndAnUnknownNameGivesNothing) {
    // Only where a query for the unknown name cannot leave the machine.
    if (!NetworkIsolated()) GTEST_SKIP() << "needs a network namespace of its own";
    EXPECT_EQ(platform::LookUpIpv4("localhost", std::chrono::seconds(5)).value_or(""), "127.0.0.1");
    EXPECT_FALSE(platform::LookUpIpv4("no-such-host.invalid", std::chrono::seconds(5)));
}
