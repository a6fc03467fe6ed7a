#include "app/app.h"
#include "app/start_up.h"
#include "common/isolated_network.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

std::unique_ptr<QProcess> StartDormo(const QString& config, const QString& runtime) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(DORMO_BINARY), {});
    process->waitForStarted();
    return process;
}

}  // namespace

TEST(StartUp, SecondCopyBringsTheFirstForwardAndTouchesNothing) {
    if (!NetworkIsolated()) GTEST_SKIP() << "needs a private network namespace (root)";
    QTemporaryDir runtime, firstConfig, secondConfig;
    auto first = StartDormo(firstConfig.path(), runtime.path());
    // The first copy is ready once it has created its settings file.
    const QString settings = firstConfig.path() + QStringLiteral("/dormo/registry.txt");
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(settings) && waited.elapsed() < 20000) QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(settings));

    auto second = StartDormo(secondConfig.path(), runtime.path());
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(QDir(secondConfig.path()).isEmpty()) << "the second copy wrote settings";
    EXPECT_EQ(first->state(), QProcess::Running);

    // A socket left by a copy that died does not stop the next one from starting.
    first->kill();
    first->waitForFinished();
    auto third = StartDormo(secondConfig.path(), runtime.path());
    ASSERT_EQ(third->state(), QProcess::Running);
    EXPECT_FALSE(third->waitForFinished(3000)) << "the third copy should run, not exit";
    third->kill();
    third->waitForFinished();
}

TEST(StartUp, ClosingTheWindowEndsWithCodeZeroAndNoThreadLeft) {
    if (!NetworkIsolated()) GTEST_SKIP() << "needs a private network namespace (root)";
    QTemporaryDir config, runtime;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const auto threads = [] { return QDir(QStringLiteral("/proc/self/task")).count(); };
    const auto before = threads();
    QTimer::singleShot(1500, [] {
        ASSERT_NE(g_app.m_mainWindow, nullptr);
        EXPECT_TRUE(g_app.m_mainWindow->isVisible());
        g_app.m_mainWindow->close();
    });
    EXPECT_EQ(RunDormo(), 0);
    EXPECT_EQ(g_app.m_mainWindow, nullptr);
    EXPECT_TRUE(g_app.m_listModel.isNull()) << "the list went with the window";
    EXPECT_EQ(threads(), before);
}
