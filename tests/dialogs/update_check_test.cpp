#include "dialogs/update_check.h"

#include "app/app.h"
#include "common/recording_url_handler.h"
#include "common/test_app.h"
#include "dialogs/version_file.h"
#include "platform/download.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <utility>
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

QString Offer(const QString& version) {
    return "New version of Dormo (" + version +
           ") is available. Tap OK and then check \"Open file after download\" to update to new "
           "version.";
}

// What the file says, cut to the first 255 bytes and the first NUL, decides the message;
// Cancel opens nothing and no downloaded file stays behind. OK opens the package on the same
// server and ends the program.
// The server is python's on loopback serving a folder of the test's own.
TEST(UpdateCheck, EachVersionFileOrFailureGivesItsMessageAndOkOpensThePackage) {
    CTestApp app;
    CRecordingUrlHandler browser;
    CDownloader downloader{CDownloader::Limits{1, 2, 1 << 20}};
    QTemporaryDir temp, site;
    QProcess python;
    const auto restore = qScopeGuard([&python, previousTemp = qgetenv("TMPDIR"),
                                      previous = std::exchange(g_app.m_downloader, &downloader)] {
        python.kill();
        python.waitForFinished();
        qputenv("TMPDIR", previousTemp);
        g_app.m_downloader = previous;
    });
    qputenv("TMPDIR", temp.path().toUtf8());
    python.start("python3", {"-u", "-m", "http.server", "--bind", "127.0.0.1", "--directory",
                             site.path(), "0"});
    python.waitForReadyRead(10000);
    const QString base =
        "http://127.0.0.1:" +
        QRegularExpression("port (\\d+)").match(python.readAllStandardOutput()).captured(1);
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
        {QByteArray("0.99\0.5", 7), base, Offer("0.99")},
        {"0.99-" + QByteArray(400, 'x'), base, Offer("0.99-" + QString(138, u'x'))},
        {QByteArray(255, '1') + ".5", base, couldNot},
        {"0.98" + QByteArray((1 << 20) - 4, ' '), base, QStringLiteral("Dormo is up to date.")},
        {"1.0" + QByteArray(1 << 20, ' '), base, couldNot},  // beyond the download limit
        {std::nullopt, base, couldNot},
        {"1.0", QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()), couldNot},
        {"1.0", QUrl::fromLocalFile(site.path()).toString(), couldNot}};  // not read
    QDir(site.path()).mkpath("Downloads/Dormo");
    for (const auto& [file, server, text] : cases) {
        QFile served(site.filePath("Downloads/Dormo/wm-ver"));
        served.remove();
        ASSERT_TRUE(!file || (served.open(QIODevice::WriteOnly) && served.write(*file) >= 0 &&
                              served.flush()));
        key.SetString(QStringLiteral("UpdateServer"), server);
        app.m_boxes.Answer(IDCANCEL);
        QWidget owner;
        CheckForUpdates(&owner);
        const auto& shown = app.m_boxes.ShownBoxes().back();
        EXPECT_EQ(shown.text.toStdString(), text.toStdString());
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
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(browser.Urls(), QList<QUrl>{QUrl(base + "/Downloads/Dormo/Dormo_PPC.arm.cab")});
    EXPECT_TRUE(QDir(temp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

}  // namespace
