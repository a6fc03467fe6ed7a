#include "common/net_test.h"

#include <QRegularExpression>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {
std::atomic<int> g_pairs = 0;
bool g_isolated = false;
}  // namespace

bool Ip(const QStringList& arguments, QByteArray* output) {
    QProcess ip;
    ip.setProcessChannelMode(QProcess::MergedChannels);
    ip.start(QStringLiteral("ip"), arguments);
    const bool ok =
        ip.waitForFinished(20000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
    if (output) *output = ip.readAll();
    return ok;
}

namespace {

// Deletes the pairs of test processes that no longer exist: a test killed on its timeout never
// runs the destructor that would have removed them.
void SweepStalePairs() {
    QByteArray list;
    if (!Ip({"netns", "list"}, &list)) return;
    static const QRegularExpression name(QStringLiteral("^dormo-[a-z]+-(\\d+)-\\d+-[ab]\\b"),
                                         QRegularExpression::MultilineOption);
    for (auto it = name.globalMatch(QString::fromLocal8Bit(list)); it.hasNext();) {
        const auto match = it.next();
        if (::kill(pid_t(match.captured(1).toLongLong()), 0) != 0 && errno == ESRCH)
            Ip({"netns", "del", match.captured(0)});
    }
}

}  // namespace

CNetnsPair::CNetnsPair(const QString& area) {
    const int serial = g_pairs++;
    if (serial == 0) SweepStalePairs();
    const qint64 pid = QCoreApplication::applicationPid();
    m_subnet = QStringLiteral("10.77.%1").arg((pid + serial) % 250 + 1);
    const char* sides[] = {"a", "b"};
    for (int side : {0, 1}) {
        m_name[side] =
            QStringLiteral("dormo-%1-%2-%3-%4").arg(area).arg(pid).arg(serial).arg(sides[side]);
        // Interface names have 15 characters at most.
        m_veth[side] =
            QStringLiteral("%1%2%3%4").arg(area.left(2)).arg(pid).arg(sides[side]).arg(serial);
        if (m_created == side && Run({"netns", "add", m_name[side]})) ++m_created;
    }
    m_ok = m_created == 2 && Run({"link", "add", m_veth[0], "netns", m_name[0], "type", "veth",
                                  "peer", "name", m_veth[1], "netns", m_name[1]});
    for (int side : {0, 1}) {
        const QString& ns = m_name[side];
        const QString address = side ? AddressB() : AddressA();
        m_ok = m_ok && Run({"-n", ns, "link", "set", "lo", "up"}) &&
               Run({"-n", ns, "addr", "add", address + "/24", "dev", m_veth[side]}) &&
               Run({"-n", ns, "link", "set", m_veth[side], "up"}) &&
               Run({"-n", ns, "route", "add", "224.0.0.0/4", "dev", m_veth[side]});
    }
}

CNetnsPair::~CNetnsPair() {
    // Deleting a namespace takes its end of the veth pair with it.
    for (int side = m_created - 1; side >= 0; --side) Run({"netns", "del", m_name[side]});
}

bool CNetnsPair::Run(const QStringList& arguments) {
    QByteArray output;
    const bool ok = Ip(arguments, &output);
    if (!ok && m_error.isEmpty())
        m_error = "ip " + arguments.join(u' ') + ": " + QString::fromLocal8Bit(output).trimmed();
    return ok;
}

CNetnsEnter::CNetnsEnter(const QString& ns) {
    m_previous = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = open(("/run/netns/" + ns.toStdString()).c_str(), O_RDONLY | O_CLOEXEC);
    m_ok = m_previous >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0;
    if (target >= 0) close(target);
}

CNetnsEnter::~CNetnsEnter() {
    if (m_previous < 0) return;
    if (m_ok) setns(m_previous, CLONE_NEWNET);
    close(m_previous);
}

QString LinkMac(const QString& ns) {
    QByteArray links;
    Ip({"-n", ns, "-o", "link", "show"}, &links);
    return QRegularExpression(QStringLiteral("link/ether ([0-9a-f:]{17})"))
        .match(QString::fromLatin1(links))
        .captured(1);
}

bool IsolateNetwork() {
    if (!g_isolated && unshare(CLONE_NEWNET) == 0)
        g_isolated = std::system("ip link set lo up") == 0;
    return g_isolated;
}

bool NetworkIsolated() {
    return g_isolated;
}
