#include "common/isolated_network.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

namespace {

std::unique_ptr<QProcess> StartDormo(const QString& config, const QString& runtime) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
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
    const QString settings = firstConfig.filePath(QStringLiteral("dormo/registry.txt"));
    for (int i = 0; i < 400 && !QFile::exists(settings); ++i) QThread::msleep(50);
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
    EXPECT_FALSE(third->waitForFinished(3000)) << "the third copy should run, not exit";
    third->kill();
    third->waitForFinished();
}
