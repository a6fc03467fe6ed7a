#include "dialogs/update_check.h"

#include "app/app.h"
#include "common/recording_message_boxes.h"
#include "common/recording_url_handler.h"
#include "common/temp_config.h"
#include "http_test_server.h"
#include "platform/download.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

using namespace platform;

namespace {

const QString kCouldNot = QStringLiteral("Could not check for updates");
const QString kUpToDate = QStringLiteral("Dormo is up to date.");

QString NewVersionText(const QString& version) {
    return QStringLiteral("New version of Dormo (") + version +
           QStringLiteral(
               ") is available. Tap OK and then check \"Open file after download\" to update to "
               "new version.");
}

// Recorded boxes and browser, short download bounds, a private temporary folder.
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
        return QDir(temp.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
            .isEmpty();
    }
};

enum class Outcome { UpToDate, NewVersion, CouldNotCheck };

struct VersionCase {
    const char* name;
    QByteArray file;
    Outcome outcome;
    QString shown = QString::fromLatin1(file);  // the version the message names
};

void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << c.name;
}

struct VersionFiles : UpdateCheck, ::testing::WithParamInterface<VersionCase> {};

}  // namespace

TEST_P(VersionFiles, GiveTheirMessageAndLeaveNoFile) {
    const VersionCase& c = GetParam();
    CHttpTestServer server(CHttpTestServer::Mode::Serve, c.file);
    UseServer(server.BaseUrl());
    QWidget owner;
    boxes.Answer(IDCANCEL);

    CheckForUpdates(&owner);

    EXPECT_EQ(server.RequestedPaths(), QStringList{QStringLiteral("/Downloads/Dormo/wm-ver")});
    const bool newer = c.outcome == Outcome::NewVersion;
    ASSERT_EQ(boxes.ShownBoxes().size(), 1u);
    const auto& shown = boxes.ShownBoxes()[0];
    EXPECT_EQ(shown.text, newer                            ? NewVersionText(c.shown)
                          : c.outcome == Outcome::UpToDate ? kUpToDate
                                                           : kCouldNot);
    EXPECT_LE(shown.text.size(), 255);
    EXPECT_EQ(shown.caption, newer ? QStringLiteral("Dormo update") : QStringLiteral("Dormo"));
    EXPECT_EQ(shown.flags, newer ? 0x41u : 0x30u);
    EXPECT_TRUE(browser.Urls().isEmpty()) << "Cancel opens nothing";
    EXPECT_EQ(boxes.ShownBoxes()[0].owner, &owner);
    EXPECT_TRUE(TempEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "wait cursor left up";
}

INSTANTIATE_TEST_SUITE_P(
    AllCases, VersionFiles,
    ::testing::Values(
        VersionCase{"Same", "0.98", Outcome::UpToDate},
        VersionCase{"MinorNineIsBelowNinetyEight", "0.9", Outcome::UpToDate},
        VersionCase{"Older", "0.97", Outcome::UpToDate},
        VersionCase{"NegativeMajor", "-1.5", Outcome::UpToDate},
        VersionCase{"Newer", "0.99", Outcome::NewVersion},
        VersionCase{"HundredIsWholeNumber", "0.100", Outcome::NewVersion},
        VersionCase{"NineHundredEighty", "0.980", Outcome::NewVersion},
        VersionCase{"NewMajor", "1.0", Outcome::NewVersion},
        VersionCase{"LineEndShown", "0.99\r\n", Outcome::NewVersion},
        VersionCase{"SecondDotInMinor", "0.99.1", Outcome::NewVersion},
        VersionCase{"NoDot", "1", Outcome::CouldNotCheck},
        VersionCase{"EmptyMajor", ".5", Outcome::CouldNotCheck},
        VersionCase{"EmptyMinor", "1.", Outcome::CouldNotCheck},
        VersionCase{"EmptyFile", "", Outcome::CouldNotCheck},
        VersionCase{"NoDigits", "abc.xyz", Outcome::UpToDate},
        VersionCase{"LeadingBlanksAndSign", " +0. \t+99", Outcome::NewVersion},
        VersionCase{"HugeNumberSaturates", "99999999999999999999999.0", Outcome::NewVersion},
        VersionCase{"DotBeyond255Bytes", QByteArray(255, '1') + ".5", Outcome::CouldNotCheck},
        VersionCase{"EndsAtFirstZeroByte", QByteArray("0.99\0.5", 7), Outcome::NewVersion, "0.99"},
        VersionCase{"LongTextCutToFit", "0.99-" + QByteArray(400, 'x'), Outcome::NewVersion,
                    "0.99-" + QString(138, u'x')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateCheck, OkOpensThePackageOnTheSameServerAndEndsTheProgram) {
    CHttpTestServer server(CHttpTestServer::Mode::Serve, "1.0");
    UseServer(server.BaseUrl() + QStringLiteral("/"));
    boxes.Answer(IDOK);
    // The check runs inside the event loop, as from a menu; it must end that loop with 0.
    QTimer::singleShot(0, [] { CheckForUpdates(nullptr); });
    QTimer guard;  // ends the loop with 1 should the check never end it
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
    guard.start(60000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(
        browser.Urls(),
        QList<QUrl>{QUrl(server.BaseUrl() + QStringLiteral("/Downloads/Dormo/Dormo_PPC.arm.cab"))});
    EXPECT_TRUE(TempEmpty());
}

TEST_F(UpdateCheck, FailedOrUnansweredDownloadsSayCouldNotCheckAndLeaveNoFile) {
    {
        CHttpTestServer missing(CHttpTestServer::Mode::NotFound);
        UseServer(missing.BaseUrl());
        CheckForUpdates(nullptr);
    }
    const QString closedPort = [] {
        CHttpTestServer gone(CHttpTestServer::Mode::Serve);
        return gone.BaseUrl();
    }();
    UseServer(closedPort);
    CheckForUpdates(nullptr);
    // A registry value naming a local file must not be read, even when the file is there.
    QTemporaryDir local(config.Path() + QStringLiteral("/local-XXXXXX"));
    QDir(local.path()).mkpath(QStringLiteral("Downloads/Dormo"));
    QFile version(local.filePath(QStringLiteral("Downloads/Dormo/wm-ver")));
    ASSERT_TRUE(version.open(QIODevice::WriteOnly));
    version.write("1.0");
    version.close();
    UseServer(QUrl::fromLocalFile(local.path()).toString());
    CheckForUpdates(nullptr);
    CHttpTestServer silent(CHttpTestServer::Mode::Silent);  // the bound must end the wait
    UseServer(silent.BaseUrl());
    CheckForUpdates(nullptr);

    ASSERT_EQ(boxes.ShownBoxes().size(), 4u);
    for (const auto& shown : boxes.ShownBoxes()) {
        EXPECT_EQ(shown.text, kCouldNot);
        EXPECT_EQ(shown.flags, 0x30u);
    }
    EXPECT_TRUE(TempEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(UpdateCheck, ServerComesFromTheRegistryElseFromTheBuild) {
    const QUrl builtIn(UpdateServer());
    EXPECT_TRUE(builtIn.host().endsWith(QStringLiteral(".example")))
        << builtIn.toString().toStdString();
    CRegKey key;
    config.Registry().CreateKey(kProductKey, &key);
    key.SetDword(QStringLiteral("UpdateServer"), 7);
    EXPECT_EQ(UpdateServer(), builtIn.toString()) << "only a text value counts";
    key.SetString(QStringLiteral("UpdateServer"), QStringLiteral("http://10.77.0.1:8080//"));
    EXPECT_EQ(UpdateServer(), QStringLiteral("http://10.77.0.1:8080"));
}

TEST(Downloader, WritesTheBodyAndRefusesOneBeyondItsLimit) {
    const QByteArray body(3000, 'v');
    CHttpTestServer server(CHttpTestServer::Mode::Serve, body);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_TRUE(CDownloader(CDownloader::Limits{1, 2, 3000}).Download(server.BaseUrl(), &out));
    EXPECT_EQ(out.data(), body);
    QBuffer small;
    small.open(QIODevice::WriteOnly);
    EXPECT_FALSE(CDownloader(CDownloader::Limits{1, 2, 2999}).Download(server.BaseUrl(), &small));
}
