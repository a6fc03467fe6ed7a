#include "common/helper_client.h"
#include "common/helper_process.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <vector>

namespace {

using namespace helper_client;

int Open(const CHelperProcess& helper) {
    return helper_client::Open(helper.Port());
}

TEST(HelperProcess, ServesSeveralClientsAtOnceAndOneAfterAnother) {
    CHelperProcess helper("Secret");
    ASSERT_NE(helper.Port(), 0);
    std::vector<int> clients(4);  // as many as one address may have waiting to authorise
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
    EXPECT_TRUE(helper.WaitForLog("connection closed", 24));
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

TEST(HelperProcess, RestsWhileOutOfDescriptorsAndServesAgainAfter) {
    CHelperProcess helper("Secret", {"sh", "-c", "ulimit -n 16 && exec \"$0\" \"$@\""},
                          {"--port", "0", "--listen-address", "127.0.0.1", "--no-advertise"});
    ASSERT_NE(helper.Port(), 0) << helper.Log().constData();
    // Clients are served until the helper has no descriptor left for the next one.
    std::vector<int> served;
    int waiting = -1;
    while (waiting < 0 && served.size() < 16) {
        const int fd = Open(helper);
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

// Which files are refused is checked on ReadPasswordFile; here that a refusal stops the start.
TEST(HelperProcess, RefusesToStartWithAPasswordFileOthersMayRead) {
    QTemporaryDir dir;
    QFile readable(dir.filePath("readable"));
    ASSERT_TRUE(readable.open(QIODevice::WriteOnly) && readable.write("Secret\n") == 7);
    readable.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    readable.close();
    QProcess process;
    process.start(DORMO_HELPER_BINARY, {"--password-file", readable.fileName(), "--port", "0",
                                        "--listen-address", "127.0.0.1", "--no-advertise"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_NE(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardError().contains("chmod 600"));
}

}  // namespace
