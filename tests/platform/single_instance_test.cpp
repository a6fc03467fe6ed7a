#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <functional>

using platform::CSingleInstance;

namespace {

constexpr uid_t kNobody = 65534;

int Mode(const QString& path) {
    struct stat st {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Warnings logged while the object lives.
class CWarnings {
public:
    CWarnings() {
        s_previous = qInstallMessageHandler(Record);
        s_lines.clear();
    }
    ~CWarnings() { qInstallMessageHandler(s_previous); }
    const QStringList& Lines() const { return s_lines; }

private:
    static void Record(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type >= QtWarningMsg) s_lines << text;
    }
    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
};

// A temporary folder and runtime folder of the test's own in place of the real ones.
struct SingleInstance : ::testing::Test {
    QTemporaryDir tmp, runtime;
    QByteArray oldTmp = qgetenv("TMPDIR"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    QString own = tmp.path() + QStringLiteral("/dormo-") + QString::number(getuid());

    SingleInstance() {
        qputenv("TMPDIR", tmp.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    ~SingleInstance() override {
        qputenv("TMPDIR", oldTmp);
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
    }
};

}  // namespace

TEST_F(SingleInstance, SocketOnlyInAFolderNobodyElseCanEnter) {
    struct Case {
        const char* what;
        bool runtimeSet;
        int runtimeMode;
        std::function<void(const QString& own)> prepare;
        bool useRuntime, useOwn, needsRoot;
    };
    const auto none = [](const QString&) {};
    const Case cases[] = {
        {"private runtime folder", true, 0700, none, true, false, false},
        {"no runtime folder: own folder made 0700", false, 0, none, false, true, false},
        {"runtime folder open to others", true, 0755, none, false, true, false},
        {"own folder open to others is refused", false, 0,
         [](const QString& own) {
             QDir().mkdir(own);
             chmod(QFile::encodeName(own), 0777);
         },
         false, false, false},
        {"a link in place of the own folder is refused", false, 0,
         [this](const QString& own) { QFile::link(runtime.path(), own); }, false, false, false},
        {"another user's folder is refused", false, 0,
         [](const QString& own) {
             QDir().mkdir(own);
             chmod(QFile::encodeName(own), 0700);
             (void)!chown(QFile::encodeName(own), kNobody, kNobody);
         },
         false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && getuid() != 0) continue;
        QDir(own).removeRecursively();
        QFile::remove(own);
        chmod(QFile::encodeName(runtime.path()), mode_t(c.runtimeMode));
        if (!c.runtimeSet) qunsetenv("XDG_RUNTIME_DIR");
        c.prepare(own);
        CWarnings warnings;
        CSingleInstance instance(QStringLiteral("DormoClass"));
        const QString folder = QFileInfo(instance.SocketPath()).path();
        if (c.useRuntime) {
            EXPECT_EQ(folder, runtime.path());
        }
        if (c.useOwn) {
            EXPECT_EQ(folder, own);
            EXPECT_EQ(Mode(own), 0700);
        }
        if (!c.useRuntime && !c.useOwn) {
            EXPECT_TRUE(instance.SocketPath().isEmpty());
            EXPECT_TRUE(instance.BecomePrimary()) << "the program still starts";
            EXPECT_FALSE(warnings.Lines().isEmpty()) << "and says why it cannot check";
        }
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
}

TEST_F(SingleInstance, AnotherUsersListenerIsNotObeyed) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to listen as another user";
    chmod(QFile::encodeName(runtime.path()), 0700);
    CSingleInstance probe(QStringLiteral("DormoClass"));
    const QByteArray path = QFile::encodeName(probe.SocketPath());
    ASSERT_FALSE(path.isEmpty());
    // The listener takes the name, then drops to another user before it listens: its
    // credentials, as a client sees them, are that user's.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            setresuid(kNobody, kNobody, kNobody) != 0 || listen(fd, 4) != 0)
            _exit(1);
        (void)!write(ready[1], "r", 1);
        for (;;) {
            const int peer = accept(fd, nullptr, nullptr);
            char buffer[64];
            if (peer >= 0 && read(peer, buffer, sizeof buffer) > 0) _exit(2);  // obeyed
        }
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    CWarnings warnings;
    CSingleInstance instance(QStringLiteral("DormoClass"));
    EXPECT_TRUE(instance.BecomePrimary());
    EXPECT_FALSE(warnings.Lines().isEmpty());
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the listener was sent the request to come forward";
    close(ready[0]);
    close(ready[1]);
}
