#include "common/helper_process.h"
#include "connection/password_hash.h"
#include "connection/protocol.h"
#include "platform/tcp_socket.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>

#include <vector>

namespace {

using std::chrono::milliseconds;

const milliseconds kLimit(5000);

int Open(const CHelperProcess& helper) {
    return platform::ConnectTcp("127.0.0.1", htons(helper.Port()), kLimit, kLimit);
}

QByteArray Challenge(int fd) {
    platform::SendBytes(fd, kConnectMessage);
    return ChallengeFromReply(platform::ReceiveReply(fd, kMaxReply, kLimit));
}

QByteArray Authorise(int fd, const QByteArray& challenge, const QString& password) {
    platform::SendBytes(fd,
                        AuthoriseMessage(AuthorisationValue(PasswordHash(password), challenge)));
    return ReplyText(platform::ReceiveReply(fd, kMaxReply, kLimit));
}

// True once the helper has closed the connection (bounded by the receive limit).
bool ClosedByHelper(int fd) {
    char byte;
    for (int i = 0; i < 100; ++i) {
        const QByteArray got = platform::ReceiveReply(fd, 1, kLimit);
        if (!got.isEmpty()) continue;
        // Unread bytes make the helper's close a reset rather than an orderly end.
        const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno == ECONNRESET);
    }
    return false;
}

TEST(HelperProcess, ServesSeveralClientsAtOnceAndOneAfterAnother) {
    CHelperProcess helper("Secret");
    ASSERT_NE(helper.Port(), 0);
    std::vector<int> clients(5);
    std::vector<QByteArray> challenges;
    for (int& fd : clients) fd = Open(helper);
    for (int fd : clients) challenges.push_back(Challenge(fd));
    EXPECT_NE(challenges[0], challenges[1]) << "each connection gets a fresh challenge";
    for (size_t i = 0; i < clients.size(); ++i)
        EXPECT_EQ(Authorise(clients[i], challenges[i], "secret"), kAuthorisedReply);
    for (int fd : clients) {
        platform::SendBytes(fd, kPingMessage);
        EXPECT_EQ(ReplyText(platform::ReceiveReply(fd, kMaxReply, kLimit)), kPongReply);
        platform::CloseSocket(fd);
    }
    for (int i = 0; i < 20; ++i) {
        const int fd = Open(helper);
        EXPECT_EQ(Authorise(fd, Challenge(fd), "Secret"), kAuthorisedReply);
        platform::CloseSocket(fd);
    }
    EXPECT_TRUE(helper.WaitForLog("connection closed", 25));
    EXPECT_FALSE(helper.Log().contains("Secret"));
}

TEST(HelperProcess, DropsSilentFloodingAndNonReadingClientsAndServesOn) {
    CHelperProcess helper("Secret", {"--idle-timeout", "1"});
    ASSERT_NE(helper.Port(), 0);

    const int silent = Open(helper);
    EXPECT_TRUE(ClosedByHelper(silent));
    EXPECT_TRUE(helper.WaitForLog("silent too long"));
    platform::CloseSocket(silent);

    const int flood = Open(helper);
    platform::SendBytes(flood, QByteArray(1 << 20, 'x'));
    EXPECT_TRUE(ClosedByHelper(flood));
    EXPECT_TRUE(helper.WaitForLog("message too long"));
    platform::CloseSocket(flood);

    const int deaf = Open(helper);
    ASSERT_EQ(Authorise(deaf, Challenge(deaf), "Secret"), kAuthorisedReply);
    QByteArray pings;
    for (int i = 0; i < 40000; ++i) pings += kPingMessage;
    for (int i = 0; i < 20 && platform::SendBytes(deaf, pings); ++i) {
    }
    EXPECT_TRUE(helper.WaitForLog("does not read"));
    platform::CloseSocket(deaf);

    const int next = Open(helper);
    EXPECT_EQ(Authorise(next, Challenge(next), "Secret"), kAuthorisedReply);
    platform::CloseSocket(next);
}

TEST(HelperProcess, RefusesAPasswordFileOthersCanRead) {
    QTemporaryDir dir;
    QFile file(dir.filePath("password"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Secret\n");
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    file.close();
    QProcess process;
    process.start(DORMO_HELPER_BINARY, {"--password-file", file.fileName(), "--port", "0",
                                        "--listen-address", "127.0.0.1", "--no-advertise"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_NE(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardError().contains("chmod 600"));
}

}  // namespace
