// From tap to command over real mDNS and TCP: dormo-helper advertises in one namespace of the
// test's own, the program runs here in the other.
#include "app/app.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/helper_process.h"
#include "common/net_test.h"
#include "common/pressed_paint_spy.h"
#include "common/screen_setup.h"
#include "common/wake_listener.h"
#include "connection/connection_fakes.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "discovery/computer_list_model.h"
#include "discovery/remembered_computers.h"
#include "platform/dnssd_embedded.h"
#include "ui/row_drawing.h"
#include "modal_script.h"
#include "tap_steps.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>
#include <memory>
#include <utility>

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
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the list is in front again";
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
    CScreenSetup m_screen{96, 240, 320};
    std::unique_ptr<CHelperProcess> m_helper;
    platform::CEmbeddedDnsSd m_engine;
    platform::CDnsSdEngine* m_previousEngine = nullptr;
    std::unique_ptr<CMainWindow> m_window;
    CModalScript m_script;
};

}  // namespace

TEST_F(TapNetTest, CommandScreenListsTheFiveCommandsAndATapOnSleepReachesTheHelper) {
    LogIn();
    m_script.When<CCommandScreen>([this](CCommandScreen& screen) {
        EXPECT_EQ(HeaderText(screen), kComputer);
        EXPECT_EQ(SoftKeys(screen), (QStringList{"Tools", "Back"}));
        CCommandListView* list = CommandList(screen);
        ASSERT_TRUE(list);
        EXPECT_EQ(g_app.m_commandList, list);
        EXPECT_EQ(g_app.m_commandHeader, screen.findChild<CHeaderLabel*>("header"));
        QStringList texts;
        QList<int> itemData;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            texts << list->model()->index(row, 0).data().toString();
            itemData << list->model()->index(row, 0).data(kRowItemDataRole).toInt();
        }
        EXPECT_EQ(texts, (QStringList{"Dormo", "Sleep", "Restart", "Lock", "Hibernate"}));
        EXPECT_EQ(itemData, (QList<int>{0, 1, 4, 3, 2}));
        EXPECT_EQ(list->currentIndex().row(), 0);
        EXPECT_TRUE(list->selectionModel()->isRowSelected(0));
        EXPECT_EQ(QApplication::focusWidget(), list);
        // Rows are a fifth of the list's height, truncated: 400 and 403 both give 80.
        for (int listHeight : {400, 403}) {
            screen.resize(240, listHeight + 24 + CSoftKeyBar::Height());
            EXPECT_EQ(list->geometry(), QRect(0, 24, 240, listHeight));
            EXPECT_EQ(list->visualRect(list->model()->index(4, 0)), QRect(0, 320, 240, 80));
        }
        EXPECT_EQ(screen.findChild<CHeaderLabel*>("header")->geometry(), QRect(0, -1, 240, 24));
        QTest::keyClick(list, Qt::Key_Escape);
        EXPECT_TRUE(screen.isVisible()) << "Escape is not a way out";

        CPressedPaintSpy spy;
        list->viewport()->installEventFilter(&spy);
        TapRow(list, 1);
        list->viewport()->removeEventFilter(&spy);
        EXPECT_TRUE(spy.m_sawPressedPaint);
        EXPECT_FALSE(g_app.m_rowPressed);
        EXPECT_EQ(list->currentIndex().row(), 1);
        ASSERT_EQ(m_app.Texts(), QStringList{"Sleep command sent"}) << "sent at once";
        EXPECT_EQ(m_app.m_boxes.ShownBoxes()[0].owner, &screen);
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

TEST_F(TapNetTest, EnterSendsOnKeyUpOnlyAndNotTheKeyHeldFromThePasswordPage) {
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
        // A key held on the list sends once, when it comes up.
        EnterKey(QEvent::KeyPress);
        EnterKey(QEvent::KeyRelease, true);
        EnterKey(QEvent::KeyPress, true);
        EXPECT_TRUE(m_app.Texts().isEmpty());
        EnterKey(QEvent::KeyRelease);
        EXPECT_EQ(m_app.Texts(), QStringList{"Dormo command sent"});
        // The key-up of the Enter that dismissed the box, alone, sends nothing; nor does Enter
        // with no row selected.
        EnterKey(QEvent::KeyRelease);
        CommandList(screen)->clearSelection();
        EnterKey(QEvent::KeyPress);
        EnterKey(QEvent::KeyRelease);
        EXPECT_EQ(m_app.Texts(), QStringList{"Dormo command sent"});
        ClickSoftKey(screen, 1);
    });
    TapComputer();
    EXPECT_TRUE(m_helper->WaitForLog("connection closed"));
    EXPECT_EQ(m_helper->Log().count("command "), 1) << m_helper->Log().constData();
    EXPECT_TRUE(m_helper->Log().contains("command Dormo\n"));
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
