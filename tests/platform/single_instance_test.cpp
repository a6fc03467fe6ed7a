#include "platform/single_instance.h"

#include "common/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using platform::CSingleInstance;

namespace {

constexpr uid_t kNobody = 65534;

int g_warnings = 0;

// Temporary and runtime folders of the test's own; warnings logged meanwhile are counted.
struct SingleInstance : ::testing::Test {
    QTemporaryDir tmp, runtime;
    QByteArray oldTmp = qgetenv("TMPDIR"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    QString own = tmp.path() + QStringLiteral("/dormo-") + QString::number(getuid());
    QtMessageHandler oldHandler =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            g_warnings += type >= QtWarningMsg;
        });

    SingleInstance() {
        qputenv("TMPDIR", tmp.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    ~SingleInstance() override {
        qputenv("TMPDIR", oldTmp);
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
        qInstallMessageHandler(oldHandler);
    }
};

}  // namespace

TEST_F(SingleInstance, SocketOnlyInAFolderNobodyElseCanEnter) {
    const struct {
        const char* what;
        int runtimeMode;  // 0: XDG_RUNTIME_DIR unset
        int ownMode;      // of a folder made beforehand in the own folder's place; -1: a link
        uid_t owner;
        const char* folder;  // "runtime", "own" or nullptr: none
    } cases[] = {
        {"private runtime folder", 0700, 0, 0, "runtime"},
        {"no runtime folder: own folder made 0700", 0, 0, 0, "own"},
        {"runtime folder open to others", 0755, 0, 0, "own"},
        {"own folder open to others is refused", 0, 0777, getuid(), nullptr},
        {"a link in place of the own folder is refused", 0, -1, 0, nullptr},
        {"another user's folder is refused", 0, 0700, kNobody, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.owner == kNobody && getuid() != 0) continue;
        QDir(own).removeRecursively();
        QFile::remove(own);
        chmod(QFile::encodeName(runtime.path()), mode_t(c.runtimeMode));
        if (!c.runtimeMode) qunsetenv("XDG_RUNTIME_DIR");
        if (c.ownMode < 0) QFile::link(runtime.path(), own);
        if (c.ownMode > 0) {
            QDir().mkdir(own);
            chmod(QFile::encodeName(own), mode_t(c.ownMode));
            (void)!chown(QFile::encodeName(own), c.owner, c.owner);
        }
        g_warnings = 0;
        CSingleInstance instance(QStringLiteral("DormoClass"));
        const QString folder = QFileInfo(instance.SocketPath()).path();
        if (!c.folder) {
            EXPECT_TRUE(instance.SocketPath().isEmpty());
            EXPECT_TRUE(instance.BecomePrimary()) << "the program still starts";
            EXPECT_GT(g_warnings, 0) << "and says why it cannot check";
        } else {
            EXPECT_EQ(folder, QString::fromLatin1(c.folder) == "own" ? own : runtime.path());
            EXPECT_TRUE(folder != own || Mode(own) == 0700);
        }
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
}
