#include "helper/password_source.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

mode_t Mode(const QString& path) {
    struct stat info {};
    return ::stat(path.toLocal8Bit().constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QString Stored(const QString& path) {
    QString error;
    return ReadPasswordFile(path, &error).value_or(QString());
}

TEST(SetPassword, StoresOnlyWhatDormoCanSendReplacingTheOldOneReadableByRootAlone) {
    const QByteArray pair = "\xF0\x9F\x98\x80";  // two UTF-16 units, four UTF-8 bytes
    const std::pair<QByteArray, bool> cases[] = {{QByteArray(1023, 'a'), false},
                                                 {QByteArray(1022, 'a'), true},
                                                 {pair.repeated(512), false},
                                                 {pair.repeated(511), true},
                                                 {"", false},
                                                 {"caf\xE9", false},  // not UTF-8
                                                 {"Secret", true}};
    QTemporaryDir dir;
    const QString folder = dir.filePath("etc");
    const QString path = folder + "/password";
    QString stored;
    for (const auto& [input, accepted] : cases) {
        SCOPED_TRACE(input.size());
        QProcess process;
        process.start(QStringLiteral(DORMO_HELPER_BINARY),
                      {"--set-password", "--password-file", path});
        process.write(input + "\nsecond line\n");
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(15000));
        EXPECT_EQ(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                  accepted);
        if (accepted) stored = QString::fromUtf8(input);
        EXPECT_EQ(Stored(path).toStdString(), stored.toStdString());
    }
    EXPECT_EQ(Mode(path), 0600u);
    EXPECT_EQ(Mode(folder), 0700u);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"password"});
}

// Runs --set-password on a terminal of its own, typing each answer after each prompt. Returns
// what the terminal showed and sets code to the exit status.
QByteArray SetPasswordOnTerminal(const QString& path, const QList<QByteArray>& answers, int* code) {
    const QByteArray binary = DORMO_HELPER_BINARY;
    const QByteArray file = path.toLocal8Bit();
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execl(binary.constData(), binary.constData(), "--set-password", "--password-file",
                file.constData(), nullptr);
        ::_exit(127);
    }
    QByteArray shown;
    qsizetype answered = 0;
    char buffer[256];
    pollfd readable{terminal, POLLIN, 0};
    while (::poll(&readable, 1, 15000) > 0) {
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0) break;
        shown.append(buffer, n);
        if (answered < answers.size() && shown.count("password: ") > answered) {
            const QByteArray line = answers[answered++] + "\n";
            if (::write(terminal, line.constData(), size_t(line.size())) != line.size()) break;
        }
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return shown;
}

TEST(SetPassword, AsksTwiceOnATerminalWithoutShowingThePassword) {
    for (const auto& [second, stored] :
         {std::pair{"Typed secret", true}, std::pair{"Typed secreT", false}}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("password");
        int code = -1;
        const QByteArray shown = SetPasswordOnTerminal(path, {"Typed secret", second}, &code);
        EXPECT_FALSE(shown.contains("secre")) << shown.constData();
        EXPECT_EQ(shown.count("password: "), 2) << shown.constData();
        EXPECT_EQ(code == 0, stored);
        EXPECT_EQ(Stored(path), stored ? "Typed secret" : "");
    }
}

}  // namespace
