#include "app/app.h"
#include "app/start_up.h"
#include "common/isolated_network.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace {

int ThreadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).count()) - 2;
}

QProcessEnvironment Environment(const QString& config, const QString& runtime) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return env;
}

}  // namespace

TEST(StartUp, SecondCopyBringsTheFirstForwardAndTouchesNothing) {
    if (!NetworkIsolated()) GTEST_SKIP() << "needs a private network namespace (root)";
    QTemporaryDir runtime, firstConfig, secondConfig;
    QProcess first;
    first.setProcessEnvironment(Environment(firstConfig.path(), runtime.path()));
    first.start(QStringLiteral(DORMO_BINARY), {});
    ASSERT_TRUE(first.waitForStarted());
    // The first copy is ready once it has created its settings file.
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(firstConfig.path() + QStringLiteral("/dormo/registry.txt")) &&
           waited.elapsed() < 20000)
        QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(firstConfig.path() + QStringLiteral("/dormo/registry.txt")));

    QProcess second;
    second.setProcessEnvironment(Environment(secondConfig.path(), runtime.path()));
    second.start(QStringLiteral(DORMO_BINARY), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(QDir(secondConfig.path()).isEmpty()) << "the second copy wrote settings";
    EXPECT_EQ(first.state(), QProcess::Running) << "the first copy must keep running";

    first.kill();
    first.waitForFinished();
    // A socket left by a copy that died does not stop the next one from starting.
    QProcess third;
    third.setProcessEnvironment(Environment(secondConfig.path(), runtime.path()));
    third.start(QStringLiteral(DORMO_BINARY), {});
    ASSERT_TRUE(third.waitForStarted());
    EXPECT_FALSE(third.waitForFinished(3000)) << "the third copy should run, not exit";
    third.kill();
    third.waitForFinished();
}

TEST(StartUp, ClosingTheWindowEndsWithCodeZeroAndNoThreadLeft) {
    if (!NetworkIsolated()) GTEST_SKIP() << "needs a private network namespace (root)";
    QTemporaryDir config, runtime;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const int before = ThreadCount();
    QTimer::singleShot(1500, [] {
        ASSERT_NE(g_app.m_mainWindow, nullptr);
        EXPECT_TRUE(g_app.m_mainWindow->isVisible());
        g_app.m_mainWindow->close();
    });
    EXPECT_EQ(RunDormo(), 0);
    EXPECT_EQ(g_app.m_mainWindow, nullptr);
    EXPECT_EQ(ThreadCount(), before);
}
