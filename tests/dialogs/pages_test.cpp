#include "app/settings.h"
#include "common/files.h"
#include "common/page_driver.h"
#include "common/test_app.h"
#include "common/test_process.h"
#include "dialogs/command_screen_command.h"
#include "dialogs/main_window_command.h"
#include "dialogs/options_actions.h"
#include "dialogs/update_check.h"
#include "dialogs/version_file.h"
#include "discovery/remembered_computers.h"
#include "platform/download.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrl>

#include <utility>
#include <vector>

using namespace platform;

namespace {

// Takes the place of the browser and the mail program: records every URL the program opens.
class CRecordingUrlHandler : public QObject {
    Q_OBJECT
public:
    CRecordingUrlHandler() {
        for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(scheme, this, "Record");
    }
    ~CRecordingUrlHandler() override {
        for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(scheme);
    }
    const QList<QUrl>& Urls() const { return m_urls; }

public slots:
    void Record(const QUrl& url) { m_urls.append(url); }

private:
    static constexpr const char* kSchemes[] = {"http", "https", "mailto"};
    QList<QUrl> m_urls;
};

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
             return FileBytes(m_app.m_config.Registry().FilePath()).contains("SavedPasswords]");
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

TEST_F(Pages, AboutShowsItsVersionAndHelpItsSourceText) {
    EXPECT_TRUE(Opened(IDM_ABOUT, [&](CPage& page) {
        EXPECT_EQ(page.ControlAs<QLabel>(IDC_ABOUT_VERSION)->text(), "Version 0.98");
        ClickSoftKey(page, 0);
        EXPECT_FALSE(page.isVisible());
    }));

    const QString text = QString::fromUtf8(FileBytes(QStringLiteral(DORMO_HELP_SOURCE)));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(Opened(IDM_HELP, [&](CPage& page) {
        EXPECT_EQ(page.ControlAs<QPlainTextEdit>(IDC_HELP_TEXT)->toPlainText().toStdString(),
                  text.toStdString())
            << "run scripts/make-help-text";
        ClickSoftKey(page, 0);
    }));
    EXPECT_EQ(g_app.m_helpHeader, nullptr) << "no pointer to the destroyed label is kept";
    // The resource keeps its lines in UTF-16 ending in CR LF, which the page does not show.
    EXPECT_EQ(FileBytes(QStringLiteral(":/text/help.txt")).count(QByteArray("\r\0\n\0", 4)),
              text.count(u'\n'));
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

// Settings that cannot be written (a folder stands where the file goes): the page says so and
// stays open.
TEST_F(Pages, AddComputerTellsWhenTheComputerCannotBeStored) {
    ASSERT_TRUE(QDir().mkpath(m_app.m_config.Registry().FilePath()));
    EXPECT_TRUE(Opened(IDM_ADD_COMPUTER, [&](CPage& page) {
        const std::pair<int, const char*> fields[] = {{IDC_COMPUTER_NAME, "office"},
                                                      {IDC_COMPUTER_ADDRESS, "10.77.1.2"},
                                                      {IDC_COMPUTER_PORT, "4660"}};
        for (const auto& [id, text] : fields) page.ControlAs<QLineEdit>(id)->setText(text);
        ClickSoftKey(page, 0);
        EXPECT_TRUE(page.isVisible());
    }));
    EXPECT_EQ(m_app.Texts(), QStringList{"The computer could not be stored in the settings."});
}

TEST(VersionFile, NewerOnlyByMajorThenMinorReadAsWholeNumbers) {
    const std::pair<std::optional<bool>, std::vector<std::string>> cases[] = {
        {false, {"0.98", "0.9", "0.97", "-1.5", "abc.xyz"}},
        {true,
         {"0.99", "0.100", "0.980", "1.0", "0.99\r\n", "0.99.1", " +0. \t+99",
          "99999999999999999999999.0"}},
        {std::nullopt, {"1", ".5", "1.", ""}}};
    for (const auto& [newer, texts] : cases)
        for (const std::string& text : texts)
            EXPECT_EQ(IsNewerVersion(text, "0.98"), newer) << text;
}

// What the file says, cut to the first 255 bytes and the first NUL, decides the message;
// Cancel opens nothing, OK opens the package on the same server and ends the program, and no
// downloaded file stays behind. The server is python's, serving a folder of the test's own.
TEST(UpdateCheck, EachVersionFileOrFailureGivesItsMessageAndOkOpensThePackage) {
    CTestApp app;
    CRecordingUrlHandler browser;
    CDownloader downloader{CDownloader::Limits{1, 2, 1 << 20}};
    QTemporaryDir temp, site;
    CTestProcess python({"python3", "-u", "-m", "http.server", "--bind", "127.0.0.1", "--directory",
                         site.path(), "0"});
    const auto restore = qScopeGuard([previousTemp = qgetenv("TMPDIR"),
                                      previous = std::exchange(g_app.m_downloader, &downloader)] {
        qputenv("TMPDIR", previousTemp);
        g_app.m_downloader = previous;
    });
    qputenv("TMPDIR", temp.path().toUtf8());
    ASSERT_TRUE(python.WaitForLog(QStringLiteral("Serving HTTP"))) << python.Log().constData();
    const QString base =
        "http://127.0.0.1:" + QRegularExpression("port (\\d+)").match(python.Log()).captured(1);
    CRegKey key;
    app.m_config.Registry().CreateKey(kProductKey, &key);
    key.SetDword(QStringLiteral("UpdateServer"), 7);  // not a text: the built-in server
    EXPECT_TRUE(QUrl(UpdateServer()).host().endsWith(".example")) << UpdateServer().toStdString();

    const QString couldNot = QStringLiteral("Could not check for updates");
    QTcpServer silent;  // accepts and never answers: the time limit ends the wait
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    // The version file (none: 404), the server and the message.
    const std::tuple<std::optional<QByteArray>, QString, QString> cases[] = {
        {"0.98", base, QStringLiteral("Dormo is up to date.")},
        {QByteArray("0.99\0.5", 7), base, "New version of Dormo (0.99) is"},
        {"0.99-" + QByteArray(400, 'x'), base,
         "New version of Dormo (0.99-" + QString(138, u'x') + ")"},
        {"0.99-" + QByteArray(137, 'x') + "\xF0\x9F\x98\x80", base,  // no half of a pair
         "New version of Dormo (0.99-" + QString(137, u'x') + ") is"},
        {QByteArray(255, '1') + ".5", base, couldNot},
        {"1.0" + QByteArray(1 << 20, ' '), base, couldNot},  // beyond the download limit
        {std::nullopt, base, couldNot},
        {"1.0", QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()), couldNot},
        {"1.0", QUrl::fromLocalFile(site.path()).toString(), couldNot}};  // not read
    for (const auto& [file, server, text] : cases) {
        const QString served = site.filePath("Downloads/Dormo/wm-ver");
        QFile::remove(served);
        ASSERT_TRUE(!file || WriteFile(served, *file) == served);
        key.SetString(QStringLiteral("UpdateServer"), server);
        app.m_boxes.Answer(IDCANCEL);
        QWidget owner;
        CheckForUpdates(&owner);
        const auto& shown = app.m_boxes.ShownBoxes().back();
        EXPECT_TRUE(shown.text.startsWith(text)) << shown.text.toStdString();
        EXPECT_EQ(shown.flags, text.startsWith("New") ? MB_OKCANCEL | MB_ICONINFORMATION
                                                      : MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(shown.owner, &owner);
    }
    EXPECT_EQ(app.m_boxes.ShownBoxes().size(), std::size(cases));
    EXPECT_TRUE(browser.Urls().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "wait cursor left up";

    key.SetString(QStringLiteral("UpdateServer"), base + "//");
    app.m_boxes.Answer(IDOK);
    // Run from the event loop, as from a menu; it must end that loop with 0.
    QTimer::singleShot(0, [] { CheckForUpdates(nullptr); });
    EXPECT_EQ(RunWithinLimit(QApplication::exec), 0);
    EXPECT_EQ(browser.Urls(), QList<QUrl>{QUrl(base + "/Downloads/Dormo/Dormo_PPC.arm.cab")});
    EXPECT_TRUE(QDir(temp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

#include "pages_test.moc"
