// Connect + authorise round trips against dormo-helper on loopback, and the helper's memory
// after many connections. Prints medians and ratios; asserts nothing.
#include "connection/login_attempt.h"
#include "connection/password_hash.h"
#include "connection/protocol.h"
#include "platform/tcp_socket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using std::chrono::milliseconds;

long RssKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const auto match = QRegularExpression("VmRSS:\\s+(\\d+)").match(status.readAll());
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

// The program's login: its waits turn the event loop (CLoginAttempt).
bool RoundTrip(uint16_t port, const QString& hash) {
    CLoginAttempt attempt(nullptr);
    const platform::SocketWait wait = attempt.Waiter();
    const int fd = platform::ConnectTcp("127.0.0.1", htons(port), milliseconds(5000),
                                        milliseconds(5000), wait);
    if (fd < 0) return false;
    platform::SendBytes(fd, kConnectMessage);
    const QByteArray challenge = ChallengeFromReply(
        platform::ReceiveReply(fd, kMaxReply, milliseconds(5000), kChallengeOffset, wait));
    platform::SendBytes(fd, AuthoriseMessage(AuthorisationValue(hash, challenge)));
    const bool ok = ReplyText(platform::ReceiveReply(fd, kMaxReply, milliseconds(5000), 0, wait)) ==
                    kAuthorisedReply;
    platform::CloseSocket(fd);
    return ok;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH_TO_DORMO_HELPER\n", argv[0]);
        return 2;
    }
    // The log goes to a file: thousands of connections would fill an unread pipe.
    QTemporaryFile logFile;
    if (!logFile.open()) return 1;
    QProcess helper;
    helper.setStandardErrorFile(logFile.fileName());
    helper.start(
        QString::fromLocal8Bit(argv[1]),
        {"--password-stdin", "--port", "0", "--listen-address", "127.0.0.1", "--no-advertise"});
    if (!helper.waitForStarted(10000)) return 1;
    helper.write("bench\n");
    helper.closeWriteChannel();
    uint16_t port = 0;
    QElapsedTimer waiting;
    waiting.start();
    while (port == 0 && waiting.elapsed() < 10000) {
        helper.waitForBytesWritten(100);
        QFile log(logFile.fileName());
        log.open(QIODevice::ReadOnly);
        const auto match =
            QRegularExpression("port (\\d+)").match(QString::fromUtf8(log.readAll()));
        if (match.hasMatch()) port = uint16_t(match.captured(1).toUInt());
        QThread::msleep(20);
    }
    if (port == 0) return 1;

    const QString hash = PasswordHash("bench");
    const long rssStart = RssKb(helper.processId());
    std::vector<double> microseconds;
    int failures = 0;
    for (int i = 0; i < 1000; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!RoundTrip(port, hash)) ++failures;
        microseconds.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    const double firstHalf = Median({microseconds.begin(), microseconds.begin() + 500});
    const double secondHalf = Median({microseconds.begin() + 500, microseconds.end()});
    std::printf(
        "connect+authorise round trip, 1000 runs: median %.1f us "
        "(second half / first half median ratio %.2f), failures %d\n",
        Median(microseconds), secondHalf / firstHalf, failures);

    for (int i = 0; i < 10000; ++i)
        if (!RoundTrip(port, hash)) ++failures;
    const long rssEnd = RssKb(helper.processId());
    std::printf(
        "helper RSS: %ld kB at start, %ld kB after 11000 connections (ratio %.2f), "
        "failures %d\n",
        rssStart, rssEnd, double(rssEnd) / double(rssStart), failures);
    helper.terminate();
    helper.waitForFinished(5000);
    return failures == 0 ? 0 : 1;
}
