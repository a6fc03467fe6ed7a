#include "helper/password_source.h"

#include "common/helper_client.h"
#include "common/helper_process.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

using namespace helper_client;

TEST(HelperProcess, ServesClientsAtOnceDropsSilentFloodingAndNonReadingOnesAndServesOn) {
    CHelperProcess helper("Secret", {"--idle-timeout", "2"});
    ASSERT_NE(helper.Port(), 0);
    std::vector<int> clients(4);  // as many as one address may have waiting to authorise
    std::vector<QByteArray> challenges;
    for (int& fd : clients) fd = Open(helper.Port());
    for (int fd : clients) challenges.push_back(Challenge(fd));
    EXPECT_NE(challenges[0], challenges[1]) << "each connection gets a fresh challenge";
    for (size_t i = 0; i < clients.size(); ++i)
        EXPECT_EQ(Authorise(clients[i], challenges[i], "secret"), kAuthorisedReply);
    for (int fd : clients) {
        platform::SendBytes(fd, kPingMessage);
        EXPECT_EQ(ReplyText(platform::ReceiveReply(fd, kMaxReply, kLimit)), kPongReply);
        platform::CloseSocket(fd);
    }
    const int silent = Open(helper.Port());
    EXPECT_TRUE(ClosedByHelper(silent));
    EXPECT_TRUE(helper.WaitForLog("silent too long"));
    platform::CloseSocket(silent);

    const int flood = Open(helper.Port());
    platform::SendBytes(flood, QByteArray(1 << 20, 'x'));
    EXPECT_TRUE(ClosedByHelper(flood));
    EXPECT_TRUE(helper.WaitForLog("message too long"));
    platform::CloseSocket(flood);

    const int deaf = Open(helper.Port());
    ASSERT_EQ(Authorise(deaf, Challenge(deaf), "Secret"), kAuthorisedReply);
    const QByteArray pings = kPingMessage.repeated(40000);
    for (int i = 0; i < 20 && platform::SendBytes(deaf, pings); ++i) {
    }
    EXPECT_TRUE(helper.WaitForLog("does not read"));
    platform::CloseSocket(deaf);

    for (int i = 0; i < 20; ++i) {
        const int fd = Open(helper.Port());
        EXPECT_EQ(Authorise(fd, Challenge(fd), "Secret"), kAuthorisedReply);
        platform::CloseSocket(fd);
    }
    EXPECT_TRUE(helper.WaitForLog("connection closed", 27));
    EXPECT_FALSE(helper.Log().contains("Secret"));
}

TEST(HelperProcess, RestsWhileOutOfDescriptorsAndServesAgainAfter) {
    CHelperProcess helper("Secret", {"sh", "-c", "ulimit -n 16 && exec \"$0\" \"$@\""},
                          {"--port", "0", "--listen-address", "127.0.0.1", "--no-advertise"});
    ASSERT_NE(helper.Port(), 0) << helper.Log().constData();
    // Clients are served until the helper has no descriptor left for the next one.
    std::vector<int> served;
    int waiting = -1;
    while (waiting < 0 && served.size() < 16) {
        const int fd = Open(helper.Port());
        const QByteArray challenge = Challenge(fd);
        if (challenge.isEmpty()) {
            waiting = fd;
        } else {
            EXPECT_EQ(Authorise(fd, challenge, "Secret"), kAuthorisedReply);
            served.push_back(fd);
        }
    }
    ASSERT_GE(waiting, 0);
    EXPECT_TRUE(helper.WaitForLog("cannot accept connections"));
    for (int fd : served) platform::CloseSocket(fd);
    // The waiting client's "Connect" is answered once its connection is taken.
    const QByteArray challenge =
        ChallengeFromReply(platform::ReceiveReply(waiting, kMaxReply, kLimit));
    EXPECT_EQ(Authorise(waiting, challenge, "Secret"), kAuthorisedReply);
    EXPECT_TRUE(helper.WaitForLog("accepting connections again"));
    EXPECT_EQ(helper.Log().count("cannot accept"), 1) << "once for the seconds it lasted";
    platform::CloseSocket(waiting);
}

mode_t Mode(const QString& path) {
    struct stat info {};
    return ::stat(path.toLocal8Bit().constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QString Stored(const QString& path) {
    QString error;
    return ReadPasswordFile(path, &error).value_or(QString());
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content,
                  mode_t mode) {
    QFile file(dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(content);
    file.close();
    ::chmod(QFile::encodeName(file.fileName()).constData(), mode);
    return file.fileName();
}

TEST(PasswordFile, TakesTheFirstLineOfAPrivateFileOnly) {
    QTemporaryDir dir;
    EXPECT_EQ(Stored(WriteFile(dir, "a", "S3cret pass\r\nsecond\n", 0600)), "S3cret pass");
    const QString link = dir.filePath("link");
    ASSERT_EQ(::symlink(WriteFile(dir, "b", "pw\n", 0600).toLocal8Bit().constData(),
                        link.toLocal8Bit().constData()),
              0);
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& refused :
         {WriteFile(dir, "c", "pw\n", 0660), WriteFile(dir, "d", "pw\n", 0604), link, fifo,
          dir.filePath("missing"), dir.path()})
        EXPECT_EQ(Stored(refused), "") << refused.toStdString();
}

TEST(SetPassword, StoresWhatDormoCanSendForRootAloneAndTheHelperRefusesItOnceOthersMayRead) {
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

    ASSERT_EQ(::chmod(path.toLocal8Bit().constData(), 0604), 0);
    QProcess helper;
    helper.start(DORMO_HELPER_BINARY, {"--password-file", path, "--port", "0", "--listen-address",
                                       "127.0.0.1", "--no-advertise"});
    ASSERT_TRUE(helper.waitForFinished(10000));
    EXPECT_NE(helper.exitCode(), 0);
    EXPECT_TRUE(helper.readAllStandardError().contains("chmod 600"));
}

TEST(SetPassword, AsksTwiceOnATerminalWithoutShowingThePassword) {
    for (const auto& [second, stored] :
         {std::pair{"Typed secret", true}, std::pair{"Typed secreT", false}}) {
        QTemporaryDir dir;
        const QByteArray path = dir.filePath("password").toLocal8Bit();
        // The helper on a terminal of its own; each answer is typed after its prompt.
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            ::execl(DORMO_HELPER_BINARY, DORMO_HELPER_BINARY, "--set-password", "--password-file",
                    path.constData(), nullptr);
            ::_exit(127);
        }
        const QByteArray answers[] = {"Typed secret\n", QByteArray(second) + "\n"};
        QByteArray shown;
        qsizetype answered = 0;
        char buffer[256];
        pollfd readable{terminal, POLLIN, 0};
        while (::poll(&readable, 1, 15000) > 0) {
            const ssize_t n = ::read(terminal, buffer, sizeof buffer);
            if (n <= 0) break;
            shown.append(buffer, n);
            if (answered < 2 && shown.count("password: ") > answered) {
                const QByteArray& line = answers[answered++];
                if (::write(terminal, line.constData(), size_t(line.size())) != line.size()) break;
            }
        }
        ::close(terminal);
        int status = -1;
        ::waitpid(pid, &status, 0);
        EXPECT_FALSE(shown.contains("secre")) << shown.constData();
        EXPECT_EQ(shown.count("password: "), 2) << shown.constData();
        EXPECT_EQ(WIFEXITED(status) && WEXITSTATUS(status) == 0, stored);
        EXPECT_EQ(Stored(dir.filePath("password")), stored ? "Typed secret" : "");
    }
}

}  // namespace
