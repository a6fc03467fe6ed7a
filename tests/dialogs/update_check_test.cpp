#include "dialogs/update_check.h"

#include "app/app.h"
#include "common/recording_message_boxes.h"
#include "common/recording_url_handler.h"
#include "common/temp_config.h"
#include "dialogs/version_file.h"
#include "http_test_server.h"
#include "platform/download.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <vector>

using namespace platform;

namespace {

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

// The check against a server on loopback, with recorded boxes and browser.
struct UpdateCheck : ::testing::Test {
    CTempConfig config;
    CRecordingMessageBoxes boxes;
    CRecordingUrlHandler browser;
    CDownloader downloader{CDownloader::Limits{1, 2, 1 << 20}};
    QTemporaryDir temp;
    QByteArray previousTemp = qgetenv("TMPDIR");
    CMessageBoxes* previousBoxes = g_app.m_messageBoxes;
    CDownloader* previousDownloader = g_app.m_downloader;

    void SetUp() override {
        qputenv("TMPDIR", temp.path().toUtf8());
        g_app.m_messageBoxes = &boxes;
        g_app.m_downloader = &downloader;
    }
    void TearDown() override {
        qputenv("TMPDIR", previousTemp);
        g_app.m_messageBoxes = previousBoxes;
        g_app.m_downloader = previousDownloader;
    }
    void UseServer(const QString& base) {
        CRegKey key;
        config.Registry().CreateKey(kProductKey, &key);
        key.SetString(QStringLiteral("UpdateServer"), base);
    }
    bool TempEmpty() const {
        return QDir(temp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

QString Offer(const QString& version) {
    return "New version of Dormo (" + version +
           ") is available. Tap OK and then check \"Open file after download\" to update to new "
           "version.";
}

// What the file says, cut to the first 255 bytes and the first NUL, decides the message;
// Cancel opens nothing and no downloaded file stays behind.
TEST_F(UpdateCheck, EachVersionFileOrFailureGivesItsMessage) {
    const QString couldNot = QStringLiteral("Could not check for updates");
    const QString closedPort = CHttpTestServer("200 OK").BaseUrl();
    QTemporaryDir local(config.Path() + "/local-XXXXXX");  // a file URL must not be read
    QDir(local.path()).mkpath(QStringLiteral("Downloads/Dormo"));
    QFile version(local.filePath(QStringLiteral("Downloads/Dormo/wm-ver")));
    ASSERT_TRUE(version.open(QIODevice::WriteOnly) && version.write("1.0") == 3);
    version.close();
    struct Case {
        QByteArray status, file;
        QString base, text;
    };
    const Case cases[] = {
        {"200 OK", "0.98", "", QStringLiteral("Dormo is up to date.")},
        {"200 OK", QByteArray("0.99\0.5", 7), "", Offer("0.99")},
        {"200 OK", "0.99-" + QByteArray(400, 'x'), "", Offer("0.99-" + QString(138, u'x'))},
        {"200 OK", QByteArray(255, '1') + ".5", "", couldNot},
        {"404 Not Found", "1.0", "", couldNot},
        {"", "", "", couldNot},  // never answers: the time limit ends the wait
        {"", "", closedPort, couldNot},
        {"", "", QUrl::fromLocalFile(local.path()).toString(), couldNot}};
    for (const Case& c : cases) {
        CHttpTestServer server(c.status, c.file);
        UseServer(c.base.isEmpty() ? server.BaseUrl() : c.base);
        boxes.Answer(IDCANCEL);
        QWidget owner;
        CheckForUpdates(&owner);
        const auto& shown = boxes.ShownBoxes().back();
        EXPECT_EQ(shown.text.toStdString(), c.text.toStdString());
        const bool offer = c.text.startsWith("New");
        EXPECT_EQ(shown.caption, offer ? "Dormo update" : "Dormo");
        EXPECT_EQ(shown.flags,
                  offer ? MB_OKCANCEL | MB_ICONINFORMATION : MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(shown.owner, &owner);
        if (c.base.isEmpty()) {
            EXPECT_EQ(server.RequestedPaths(), QStringList("/Downloads/Dormo/wm-ver"));
        }
    }
    EXPECT_EQ(boxes.ShownBoxes().size(), std::size(cases));
    EXPECT_TRUE(browser.Urls().isEmpty());
    EXPECT_TRUE(TempEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "wait cursor left up";
}

TEST_F(UpdateCheck, OkOpensThePackageOnTheSameServerAndEndsTheProgram) {
    CHttpTestServer server("200 OK", "1.0");
    UseServer(server.BaseUrl() + "//");
    boxes.Answer(IDOK);
    // Run from the event loop, as from a menu; it must end that loop with 0.
    QTimer::singleShot(0, [] { CheckForUpdates(nullptr); });
    QTimer::singleShot(60000, [] { QApplication::exit(1); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(browser.Urls(),
              QList<QUrl>{QUrl(server.BaseUrl() + "/Downloads/Dormo/Dormo_PPC.arm.cab")});
    EXPECT_TRUE(TempEmpty());
}

TEST_F(UpdateCheck, ServerIsATextValueInTheRegistryElseOnTheReservedExampleDomain) {
    const QUrl builtIn(UpdateServer());
    EXPECT_TRUE(builtIn.host().endsWith(".example")) << builtIn.toString().toStdString();
    CRegKey key;
    config.Registry().CreateKey(kProductKey, &key);
    key.SetDword(QStringLiteral("UpdateServer"), 7);
    EXPECT_EQ(UpdateServer(), builtIn.toString());
}

TEST(Downloader, RefusesABodyBeyondItsLimit) {
    CHttpTestServer server("200 OK", QByteArray(3000, 'v'));
    for (const qint64 limit : {3000, 2999}) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_EQ(CDownloader({1, 2, limit}).Download(server.BaseUrl(), &out), limit == 3000);
        if (limit == 3000) {
            EXPECT_EQ(out.data(), QByteArray(3000, 'v'));
        }
    }
}

}  // namespace
