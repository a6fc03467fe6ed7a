#include "app/app.h"
#include "app/settings.h"
#include "common/page_driver.h"
#include "common/recording_message_boxes.h"
#include "common/screen_setup.h"
#include "common/temp_config.h"
#include "dialogs/about_text.h"
#include "dialogs/command_screen_command.h"
#include "dialogs/first_run_page.h"
#include "dialogs/help_text.h"
#include "dialogs/main_window_command.h"
#include "dialogs/options_actions.h"
#include "discovery/remembered_computers.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "resources/resource_ids.h"
#include "ui/soft_key_bar.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QToolButton>

using namespace platform;

namespace {

// A main window's place on a 96 dpi portrait screen, private settings and recorded boxes.
class Pages : public ::testing::Test {
protected:
    Pages() : m_screen(96, 240, 320) {
        m_main.setGeometry(40, 50, 240, 320);
        m_main.show();
        g_app.m_mainWindow = &m_main;
        m_previousBoxes = g_app.m_messageBoxes;
        g_app.m_messageBoxes = &m_boxes;
    }
    ~Pages() override {
        g_app.m_mainWindow = nullptr;
        g_app.m_messageBoxes = m_previousBoxes;
        g_app.m_savePasswords = true;
    }

    // A DWORD as the next start of the program reads it; -1 when there is none.
    long Dword(const QString& name) {
        auto reg = m_config.Reopen();
        CRegKey key;
        reg->CreateKey(kProductKey, &key);
        uint32_t value = 0, size = 4, type = 0;
        const bool ok = key.QueryValue(name, &type, &value, &size) == ERROR_SUCCESS;
        return ok && type == REG_DWORD && size == 4 ? long(value) : -1;
    }
    bool HasSavedPasswords() {
        QFile file(m_config.Registry().FilePath());
        return file.open(QIODevice::ReadOnly) &&
               file.readAll().contains(("[" + kProductKey + "\\SavedPasswords]").toUtf8());
    }
    void SaveHash(const QString& computer) {
        CRegKey key;
        m_config.Registry().CreateKey(kProductKey + QStringLiteral("\\SavedPasswords"), &key);
        key.SetString(computer, QStringLiteral("0123456789abcdef0123456789abcdef"));
    }
    bool Options(const std::function<void(CPage&)>& inside) {
        return WithOpenPage([&] { OnMainWindowCommand(g_app, &m_main, IDM_OPTIONS); }, inside);
    }

    CScreenSetup m_screen;
    CTempConfig m_config;
    QWidget m_main;
    CRecordingMessageBoxes m_boxes;
    CMessageBoxes* m_previousBoxes = nullptr;
};

QCheckBox* Box(CPage& page, int id) {
    return page.ControlAs<QCheckBox>(id);
}

}  // namespace

TEST_F(Pages, OptionsShowsTheSettingAndStoresItOnlyWithSave) {
    SaveOptions(g_app, true);
    const auto untickAnd = [&](int softKey) {
        return [this, softKey](CPage& page) {
            EXPECT_EQ(page.Control(IDC_HEADER)->property("text").toString(), "Options");
            QCheckBox* box = Box(page, IDC_SAVE_PASSWORDS);
            ASSERT_TRUE(box);
            EXPECT_TRUE(box->isChecked());
            EXPECT_TRUE(page.focusWidget() == box);
            QTest::mouseClick(box, Qt::LeftButton);
            EXPECT_FALSE(box->isChecked());
            ClickSoftKey(page, softKey);
            EXPECT_FALSE(page.isVisible());
        };
    };
    Options(untickAnd(1));  // Cancel
    EXPECT_TRUE(g_app.m_savePasswords);
    EXPECT_EQ(Dword(QStringLiteral("SavePasswords")), 1);

    Options(untickAnd(0));  // Save
    EXPECT_FALSE(g_app.m_savePasswords);
    EXPECT_EQ(Dword(QStringLiteral("SavePasswords")), 0);

    // OK stores like Save.
    Options([](CPage& page) {
        Box(page, IDC_SAVE_PASSWORDS)->setChecked(true);
        page.OnCommand(IDOK_COMMAND);
    });
    EXPECT_TRUE(g_app.m_savePasswords);
    EXPECT_EQ(Dword(QStringLiteral("SavePasswords")), 1);
    EXPECT_TRUE(m_boxes.ShownBoxes().empty());
}

TEST_F(Pages, AskBeforeSendingIsOffUntilTickedAndSaved) {
    const auto tickAnd = [&](int softKey, bool shown) {
        return [softKey, shown](CPage& page) {
            QCheckBox* box = Box(page, IDC_CONFIRM_COMMANDS);
            ASSERT_TRUE(box);
            EXPECT_EQ(box->text(), "Ask before sending a command");
            EXPECT_EQ(box->isChecked(), shown);
            box->setChecked(true);
            ClickSoftKey(page, softKey);
        };
    };
    Options(tickAnd(1, false));  // Cancel
    EXPECT_EQ(Dword(QStringLiteral("ConfirmCommands")), -1);
    Options(tickAnd(0, false));  // Save
    EXPECT_EQ(Dword(QStringLiteral("ConfirmCommands")), 1);
    Options(tickAnd(1, true));
}

TEST_F(Pages, DeleteSavedPasswordsAsksAndActsOnlyOnYesWhileThePageStays) {
    SaveHash(QStringLiteral("study"));
    SaveHash(QStringLiteral("OFFICE-PC"));
    g_app.m_savePasswords = false;
    const bool opened = Options([&](CPage& page) {
        Box(page, IDC_SAVE_PASSWORDS)->setChecked(true);
        auto* button = page.ControlAs<QPushButton>(IDC_DELETE_PASSWORDS);
        ASSERT_TRUE(button);
        m_boxes.Answer(IDNO);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(HasSavedPasswords()) << "No deletes nothing";
        EXPECT_TRUE(page.isVisible());
        m_boxes.Answer(IDYES);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(HasSavedPasswords());
        EXPECT_TRUE(page.isVisible()) << "the page stays after the deletion";
        EXPECT_TRUE(Box(page, IDC_SAVE_PASSWORDS)->isChecked());
        ASSERT_EQ(m_boxes.ShownBoxes().size(), 2u);
        for (const auto& shown : m_boxes.ShownBoxes()) {
            EXPECT_EQ(shown.text, "This will delete all stored passwords. Are you sure?");
            EXPECT_EQ(shown.caption, "Dormo");
            EXPECT_EQ(shown.flags, 0x24u);
            EXPECT_EQ(shown.owner, &page);
        }
        ClickSoftKey(page, 1);
    });
    EXPECT_TRUE(opened);
    EXPECT_FALSE(g_app.m_savePasswords) << "neither deletion nor Cancel changes the setting";
    EXPECT_EQ(Dword(QStringLiteral("SavePasswords")), -1);
}

TEST_F(Pages, ForgetRememberedComputersAsksAndActsOnlyOnYes) {
    CRememberedComputers(m_config.Registry()).Remember({"nas", "10.77.0.9", 4660, std::nullopt});
    const auto remembered = [&] { return CRememberedComputers(*m_config.Reopen()).Load().size(); };
    Options([&](CPage& page) {
        auto* button = page.ControlAs<QPushButton>(IDC_FORGET_COMPUTERS);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->text(), "Forget remembered computers");
        m_boxes.Answer(IDNO);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(remembered(), 1u);
        m_boxes.Answer(IDYES);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(remembered(), 0u);
        EXPECT_TRUE(page.isVisible());
        ClickSoftKey(page, 1);
    });
    ASSERT_EQ(m_boxes.ShownBoxes().size(), 2u);
    EXPECT_EQ(m_boxes.ShownBoxes()[0].text,
              "This will forget all remembered computers. Are you sure?");
    EXPECT_EQ(m_boxes.ShownBoxes()[0].flags, 0x24u);
}

TEST_F(Pages, FirstRunEndsOnlyWithOkAndRemembersOnlyATickedBox) {
    const auto run = [&](bool tick) {
        return WithOpenPage([&] { RunFirstRunPage(&m_main); },
                            [&](CPage& page) {
                                EXPECT_EQ(page.parentWidget(), &m_main);
                                EXPECT_EQ(page.Control(IDC_HEADER)->property("text").toString(),
                                          "First run");
                                auto* notice = page.ControlAs<QLabel>(IDC_FIRST_RUN_TEXT);
                                EXPECT_EQ(notice->text(), FirstRunNotice());
                                // The whole notice is readable and the box stays clear of it.
                                const QRect text = notice->geometry();
                                EXPECT_LE(text.right(), page.ClientRect().right());
                                EXPECT_GE(text.height(), notice->heightForWidth(text.width()));
                                EXPECT_GT(Box(page, IDC_DONT_SHOW_AGAIN)->y(), text.bottom());
                                QCheckBox* box = Box(page, IDC_DONT_SHOW_AGAIN);
                                EXPECT_TRUE(page.focusWidget() == box);
                                QTest::keyClick(&page, Qt::Key_Escape);
                                page.close();
                                page.OnCommand(IDCANCEL_COMMAND);
                                page.OnCommand(IDM_CLOSE);
                                EXPECT_TRUE(page.isVisible());
                                if (tick) QTest::mouseClick(box, Qt::LeftButton);
                                EXPECT_EQ(box->isChecked(), tick);
                                ClickSoftKey(page, 0);
                                EXPECT_FALSE(page.isVisible());
                            });
    };
    ASSERT_TRUE(run(false));
    EXPECT_EQ(Dword(QStringLiteral("FirstRunPassed")), -1);
    ASSERT_TRUE(run(true));
    EXPECT_EQ(Dword(QStringLiteral("FirstRunPassed")), 1);
}

TEST_F(Pages, AboutShowsVersionCreditsAndBuildStamp) {
    const bool opened = WithOpenPage(
        [&] { OnMainWindowCommand(g_app, &m_main, IDM_ABOUT); },
        [&](CPage& page) {
            EXPECT_EQ(page.Control(IDC_ABOUT_HEADER)->property("text").toString(), "About Dormo");
            EXPECT_EQ(page.ControlAs<QLabel>(IDC_ABOUT_VERSION)->text(), "Version 0.98");
            const QString built = page.ControlAs<QLabel>(IDC_ABOUT_BUILD)->text();
            EXPECT_EQ(built, AboutBuildLine());
            EXPECT_TRUE(QRegularExpression("^Built on [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} "
                                           "[0-9]{2}:[0-9]{2}:[0-9]{2}$")
                            .match(built)
                            .hasMatch())
                << built.toStdString();
            for (int credit : {IDC_ABOUT_CREDIT_MAKER, IDC_ABOUT_CREDIT_PORTIONS})
                EXPECT_FALSE(page.ControlAs<QLabel>(credit)->text().isEmpty());
            EXPECT_FALSE(page.ControlAs<QLabel>(IDC_ABOUT_ICON)->pixmap().isNull());
            page.OnCommand(IDM_HELP);  // not About's command
            EXPECT_TRUE(page.isVisible());
            ClickSoftKey(page, 0);
            EXPECT_FALSE(page.isVisible());
        });
    EXPECT_TRUE(opened);
    EXPECT_EQ(AboutBuildLine("Jul  6 2009", "15:00:20"), "Built on Jul  6 2009 15:00:20");
}

TEST_F(Pages, HelpShowsTheTextBelowItsHeader) {
    const bool opened = WithOpenPage(
        [&] { OnMainWindowCommand(g_app, &m_main, IDM_HELP); },
        [&](CPage& page) {
            auto* text = page.ControlAs<QPlainTextEdit>(IDC_HELP_TEXT);
            ASSERT_TRUE(text);
            EXPECT_EQ(text->toPlainText(), HelpText());
            const QWidget* header = page.Control(IDC_HEADER);
            EXPECT_EQ(header, g_app.m_helpHeader);
            const int h = g_app.m_headerHeight;
            const QRect client = page.ClientRect();
            EXPECT_EQ(header->geometry(), QRect(0, -1, client.width(), h));
            EXPECT_EQ(text->geometry(), QRect(0, h, client.width(), client.height() - h));
            page.resize(page.width(), page.height() - 40);
            EXPECT_EQ(text->geometry().bottom(), page.ClientRect().bottom());
            ClickSoftKey(page, 0);
        });
    EXPECT_TRUE(opened);
    EXPECT_EQ(g_app.m_helpHeader, nullptr) << "no pointer to the destroyed label is kept";
}

TEST_F(Pages, ToolsCommandsOpenTheirPageInTheMainWindowFromEitherScreen) {
    // The update check fails fast against a loopback port with nobody listening.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    {
        CRegKey key;
        m_config.Registry().CreateKey(kProductKey, &key);
        key.SetString(QStringLiteral("UpdateServer"),
                      QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
    }
    CPage commandScreen(&m_main);
    struct Opened {
        int templateId = 0;
        QWidget* owner = nullptr;
    };
    const auto open = [&](const std::function<void()>& command) {
        Opened opened;
        WithOpenPage(command, [&](CPage& page) {
            opened = {page.TemplateId(), page.parentWidget()};
            page.OnCommand(IDCANCEL_COMMAND);
        });
        return opened;
    };
    const std::pair<int, int> pages[] = {
        {IDM_OPTIONS, IDD_OPTIONS}, {IDM_ABOUT, IDD_ABOUT}, {IDM_HELP, IDD_HELP}};
    for (const auto& [command, templateId] : pages) {
        const Opened fromMain = open([&] { OnMainWindowCommand(g_app, &m_main, command); });
        EXPECT_EQ(fromMain.templateId, templateId) << command;
        EXPECT_EQ(fromMain.owner, &m_main) << command;
        const Opened fromScreen =
            open([&] { OnCommandScreenCommand(g_app, &commandScreen, command); });
        EXPECT_EQ(fromScreen.templateId, templateId) << command;
        EXPECT_EQ(fromScreen.owner, &m_main) << command << ": pages live in the main window";
    }
    EXPECT_TRUE(m_boxes.ShownBoxes().empty());

    // Feedback and the update check ask or tell, owned by the screen.
    m_boxes.Answer(IDNO);
    OnMainWindowCommand(g_app, &m_main, IDM_FEEDBACK);
    m_boxes.Answer(IDNO);
    OnCommandScreenCommand(g_app, &commandScreen, IDM_FEEDBACK);
    OnMainWindowCommand(g_app, &m_main, IDM_CHECK_UPDATES);
    OnCommandScreenCommand(g_app, &commandScreen, IDM_CHECK_UPDATES);
    ASSERT_EQ(m_boxes.ShownBoxes().size(), 4u);
    EXPECT_EQ(m_boxes.ShownBoxes()[0].owner, &m_main);
    EXPECT_EQ(m_boxes.ShownBoxes()[1].owner, &commandScreen);
    EXPECT_EQ(m_boxes.ShownBoxes()[2].owner, &m_main);
    EXPECT_EQ(m_boxes.ShownBoxes()[3].owner, &commandScreen);
    EXPECT_EQ(m_boxes.ShownBoxes()[3].text, "Could not check for updates");

    // Ids that are no command of these screens open nothing; Back means nothing on the main window.
    for (const int id : {IDOK_COMMAND, IDCANCEL_COMMAND, IDC_DELETE_PASSWORDS, IDM_SAVE, 12345}) {
        EXPECT_EQ(open([&] { OnMainWindowCommand(g_app, &m_main, id); }).templateId, 0) << id;
        EXPECT_EQ(open([&] { OnCommandScreenCommand(g_app, &commandScreen, id); }).templateId, 0)
            << id;
    }
    EXPECT_EQ(OnMainWindowCommand(g_app, &m_main, IDM_BACK), 0);
    EXPECT_EQ(m_boxes.ShownBoxes().size(), 4u);
}
