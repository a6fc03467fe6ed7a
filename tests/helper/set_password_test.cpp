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

QStringList Arguments(const QString& path) {
    return {"--set-password", "--password-file", path};
}

int SetPasswordFromPipe(const QString& path, const QByteArray& input) {
    QProcess process;
    process.start(QStringLiteral(DORMO_HELPER_BINARY), Arguments(path));
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(15000)) return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

mode_t Mode(const QString& path) {
    struct stat info {};
    return ::stat(path.toLocal8Bit().constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

struct PipeCase {
    const char* name;
    QByteArray input;
    bool accepted;
};

TEST(SetPassword, StoresOnlyWhatDormoCanSendReplacingTheOldOneReadableByRootAlone) {
    const QByteArray pair = "\xF0\x9F\x98\x80";  // two UTF-16 units, four UTF-8 bytes
    const PipeCase cases[] = {
        {"1023 characters", QByteArray(1023, 'a'), false},
        {"1022 characters", QByteArray(1022, 'a'), true},
        {"512 surrogate pairs", pair.repeated(512), false},
        {"511 surrogate pairs", pair.repeated(511), true},
        {"empty", "", false},
        {"not UTF-8", "caf\xE9", false},
        {"short", "Secret", true},
    };
    QTemporaryDir dir;
    const QString folder = dir.filePath("etc");
    const QString path = folder + "/password";
    QString stored;
    for (const PipeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int code = SetPasswordFromPipe(path, c.input + "\nsecond line\n");
        if (c.accepted) {
            ASSERT_EQ(code, 0);
            stored = QString::fromUtf8(c.input);
        } else {
            EXPECT_NE(code, 0);
        }
        QString error;
        const auto read = ReadPasswordFile(path, &error);
        EXPECT_EQ(read.value_or(QString()).toStdString(), stored.toStdString())
            << error.toStdString();
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

struct TerminalCase {
    const char* name;
    QList<QByteArray> answers;
    bool stored;
};

TEST(SetPassword, AsksTwiceOnATerminalWithoutShowingThePassword) {
    const TerminalCase cases[] = {
        {"the same twice", {"Typed secret", "Typed secret"}, true},
        {"two different", {"Typed secret", "Typed secreT"}, false},
    };
    for (const TerminalCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath("password");
        int code = -1;
        const QByteArray shown = SetPasswordOnTerminal(path, c.answers, &code);
        EXPECT_FALSE(shown.contains("secre")) << shown.constData();
        EXPECT_EQ(shown.count("password: "), 2) << shown.constData();
        EXPECT_EQ(code == 0, c.stored);
        QString error;
        EXPECT_EQ(ReadPasswordFile(path, &error).value_or(QString()).toStdString(),
                  c.stored ? "Typed secret" : "");
    }
}

}  // namespace
