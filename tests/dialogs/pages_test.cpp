#include "app/settings.h"
#include "common/page_driver.h"
#include "common/recording_url_handler.h"
#include "common/test_app.h"
#include "dialogs/command_screen_command.h"
#include "dialogs/main_window_command.h"
#include "dialogs/options_actions.h"
#include "discovery/remembered_computers.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrlQuery>

using namespace platform;

namespace {

class Pages : public ::testing::Test {
protected:
    bool Opened(int command, const std::function<void(CPage&)>& inside) {
        return WithOpenPage([&] { OnMainWindowCommand(g_app, &m_main, command); }, inside);
    }

    CTestApp m_app;
    QWidget& m_main = m_app.PlainMainWindow();
};

}  // namespace

TEST_F(Pages, OptionsStoreTheirBoxesOnlyWithSaveOrOkAndTheirButtonsActOnlyOnYes) {
    SaveOptions(g_app, true);
    // The box, whether it shows ticked, the key that ends the page (0 Save, 1 Cancel) and what
    // the settings hold then.
    for (const auto& [id, shown, key, name, stored] :
         {std::tuple{IDC_SAVE_PASSWORDS, true, 1, "SavePasswords", 1},
          {IDC_SAVE_PASSWORDS, true, 0, "SavePasswords", 0},
          {IDC_SAVE_PASSWORDS, false, 0, "SavePasswords", 1},
          {IDC_CONFIRM_COMMANDS, false, 0, "ConfirmCommands", 1},
          {IDC_CONFIRM_COMMANDS, true, 1, "ConfirmCommands", 1}}) {
        SCOPED_TRACE(name + std::to_string(key));
        EXPECT_TRUE(Opened(IDM_OPTIONS, [&](CPage& page) {
            EXPECT_EQ(page.focusWidget(), page.Control(IDC_SAVE_PASSWORDS));
            EXPECT_GT(page.Control(IDC_DELETE_PASSWORDS)->y(),
                      page.Control(IDC_SAVE_PASSWORDS)->geometry().bottom());
            auto* box = page.ControlAs<QCheckBox>(id);
            EXPECT_EQ(box->isChecked(), shown);
            QTest::mouseClick(box, Qt::LeftButton);
            ClickSoftKey(page, key);
            EXPECT_FALSE(page.isVisible());
        }));
        EXPECT_EQ(m_app.m_config.Saved(name), DwordBytes(stored));
    }

    CRegKey key;
    m_app.m_config.Registry().CreateKey(kProductKey + QStringLiteral("\\SavedPasswords"), &key);
    key.SetString(QStringLiteral("study"), QStringLiteral("0123456789abcdef0123456789abcdef"));
    CRememberedComputers(m_app.m_config.Registry()).Remember({"nas", "10.77.0.9", 4660, {}});
    const std::pair<int, std::function<bool()>> buttons[] = {
        {IDC_DELETE_PASSWORDS,
         [&] {
             QFile file(m_app.m_config.Registry().FilePath());
             return file.open(QIODevice::ReadOnly) && file.readAll().contains("SavedPasswords]");
         }},
        {IDC_FORGET_COMPUTERS,
         [&] { return !CRememberedComputers(*m_app.m_config.Reopen()).Load().empty(); }}};
    g_app.m_savePasswords = false;
    for (const auto& [button, kept] : buttons) {
        Opened(IDM_OPTIONS, [&, &button = button, &kept = kept](CPage& page) {
            page.ControlAs<QCheckBox>(IDC_SAVE_PASSWORDS)->setChecked(true);
            for (const int answer : {IDNO, IDYES}) {
                m_app.m_boxes.Answer(answer);
                QTest::mouseClick(page.ControlAs<QPushButton>(button), Qt::LeftButton);
                EXPECT_EQ(kept(), answer == IDNO);
                EXPECT_EQ(m_app.m_boxes.ShownBoxes().back().owner, &page);
                EXPECT_EQ(m_app.m_boxes.ShownBoxes().back().flags, MB_YESNO | MB_ICONQUESTION);
            }
            EXPECT_TRUE(page.isVisible());
            EXPECT_TRUE(page.ControlAs<QCheckBox>(IDC_SAVE_PASSWORDS)->isChecked());
            ClickSoftKey(page, 1);
        });
    }
    EXPECT_EQ(m_app.m_boxes.ShownBoxes().size(), 4u);
    EXPECT_FALSE(g_app.m_savePasswords) << "neither the buttons nor Cancel change the setting";
    EXPECT_EQ(m_app.m_config.Saved(QStringLiteral("SavePasswords")), DwordBytes(1));
}

// Help shows its source text under its header, one scaled pixel up, over the whole page.
TEST_F(Pages, AboutShowsVersionCreditsAndBuildStampAndHelpItsSourceText) {
    EXPECT_TRUE(Opened(IDM_ABOUT, [&](CPage& page) {
        const auto label = [&](int id) { return page.ControlAs<QLabel>(id)->text(); };
        EXPECT_EQ(page.Control(IDC_ABOUT_HEADER)->geometry(),
                  QRect(0, 0, page.ClientRect().width(), g_app.m_headerHeight));
        EXPECT_EQ(label(IDC_ABOUT_VERSION), "Version 0.98");
        const QRegularExpression built(R"(^Built on [A-Z][a-z]{2} [ 1-3]\d \d{4} \d\d:\d\d:\d\d$)");
        EXPECT_TRUE(built.match(label(IDC_ABOUT_BUILD)).hasMatch())
            << label(IDC_ABOUT_BUILD).toStdString();
        EXPECT_FALSE(label(IDC_ABOUT_CREDIT_MAKER).isEmpty());
        EXPECT_FALSE(label(IDC_ABOUT_CREDIT_PORTIONS).isEmpty());
        EXPECT_FALSE(page.ControlAs<QLabel>(IDC_ABOUT_ICON)->pixmap().isNull());
        ClickSoftKey(page, 0);
        EXPECT_FALSE(page.isVisible());
    }));

    QFile source(QStringLiteral(DORMO_HELP_SOURCE));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(source.readAll());
    CScreenSetup screen(192, 480, 640);
    EXPECT_TRUE(Opened(IDM_HELP, [&](CPage& page) {
        auto* shown = page.ControlAs<QPlainTextEdit>(IDC_HELP_TEXT);
        EXPECT_EQ(shown->toPlainText().toStdString(), text.toStdString())
            << "run scripts/make-help-text";
        const int h = g_app.m_headerHeight;
        const QRect client = page.ClientRect();
        EXPECT_EQ(page.Control(IDC_HEADER)->geometry(), QRect(0, -2, client.width(), h));
        EXPECT_EQ(shown->geometry(), QRect(0, h, client.width(), client.height() - h));
        page.resize(page.width(), page.height() - 40);
        EXPECT_EQ(shown->geometry().bottom(), page.ClientRect().bottom());
        ClickSoftKey(page, 0);
    }));
    EXPECT_EQ(g_app.m_helpHeader, nullptr) << "no pointer to the destroyed label is kept";
    // The resource keeps its lines in UTF-16 ending in CR LF, which the page does not show.
    QFile resource(QStringLiteral(":/text/help.txt"));
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    EXPECT_EQ(resource.readAll().count(QByteArray("\r\0\n\0", 4)), text.count(u'\n'));
}

TEST_F(Pages, ToolsCommandsOpenTheirPageInTheMainWindowAndAskOrTellOwnedByTheScreen) {
    // The update check fails at once: a file URL is never read.
    CRegKey key;
    m_app.m_config.Registry().CreateKey(kProductKey, &key);
    key.SetString("UpdateServer", QStringLiteral("file:///"));
    CPage screen(&m_main);
    const std::function<void(int)> from[] = {
        [&](int id) { OnMainWindowCommand(g_app, &m_main, id); },
        [&](int id) { OnCommandScreenCommand(g_app, &screen, id); }};
    const auto opens = [&](int command) {
        std::vector<std::pair<int, QWidget*>> opened;
        for (const auto& run : from)
            WithOpenPage([&] { run(command); },
                         [&](CPage& page) {
                             opened.emplace_back(page.TemplateId(), page.parentWidget());
                             page.OnCommand(IDCANCEL_COMMAND);
                         });
        return opened;
    };
    for (const auto& [command, page] :
         {std::pair{IDM_OPTIONS, IDD_OPTIONS}, {IDM_ABOUT, IDD_ABOUT}, {IDM_HELP, IDD_HELP}})
        EXPECT_EQ(opens(command), (std::vector<std::pair<int, QWidget*>>(2, {page, &m_main})));
    for (const int id : {IDOK_COMMAND, IDCANCEL_COMMAND, IDC_DELETE_PASSWORDS, IDM_SAVE, 12345})
        EXPECT_TRUE(opens(id).empty()) << id;
    EXPECT_TRUE(m_app.m_boxes.ShownBoxes().empty());

    CRecordingUrlHandler mail;
    m_app.m_boxes.Answer(IDNO);
    from[0](IDM_FEEDBACK);
    EXPECT_TRUE(mail.Urls().isEmpty());
    m_app.m_boxes.Answer(IDYES);
    from[1](IDM_FEEDBACK);
    from[0](IDM_CHECK_UPDATES);
    from[1](IDM_CHECK_UPDATES);
    const QString ask = "Do you want to send a feedback e-mail now?";
    const QString failed = "Could not check for updates";
    EXPECT_EQ(m_app.Texts(), (QStringList{ask, ask, failed, failed}));
    const auto& shown = m_app.m_boxes.ShownBoxes();
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i].owner, i % 2 ? &screen : &m_main);
    EXPECT_EQ(shown[0].flags, MB_YESNO | MB_ICONQUESTION);
    ASSERT_EQ(mail.Urls().size(), 1);
    EXPECT_EQ(mail.Urls()[0].toString(QUrl::FullyEncoded),
              "mailto:dormo-feedback@venholt.example"
              "?subject=Feedback%20on%20Dormo%20for%20Windows%20Mobile");
}
