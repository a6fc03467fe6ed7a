#include "common/netns.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <tuple>

namespace {
std::atomic<int> g_pairs = 0;
}

CNetnsPair::CNetnsPair(const QString& area) {
    const int serial = g_pairs++;
    const qint64 pid = QCoreApplication::applicationPid();
    const QString base = QStringLiteral("dormo-%1-%2-%3").arg(area).arg(pid).arg(serial);
    m_nameA = base + QStringLiteral("-a");
    m_nameB = base + QStringLiteral("-b");
    // Interface names have 15 characters at most.
    m_vethA = QStringLiteral("%1%2a%3").arg(area.left(2)).arg(pid).arg(serial);
    m_vethB = QStringLiteral("%1%2b%3").arg(area.left(2)).arg(pid).arg(serial);
    const QString vethA = m_vethA;
    const QString vethB = m_vethB;
    m_subnet = QStringLiteral("10.77.%1").arg((pid + serial) % 250 + 1);

    m_createdA = Run({"netns", "add", m_nameA});
    m_createdB = m_createdA && Run({"netns", "add", m_nameB});
    m_ok = m_createdB && Run({"link", "add", vethA, "netns", m_nameA, "type", "veth", "peer",
                              "name", vethB, "netns", m_nameB});
    for (const auto& [ns, veth, address] :
         {std::tuple{m_nameA, vethA, AddressA()}, std::tuple{m_nameB, vethB, AddressB()}}) {
        m_ok = m_ok && Run({"-n", ns, "link", "set", "lo", "up"}) &&
               Run({"-n", ns, "addr", "add", address + QStringLiteral("/24"), "dev", veth}) &&
               Run({"-n", ns, "link", "set", veth, "up"}) &&
               Run({"-n", ns, "route", "add", "224.0.0.0/4", "dev", veth});
    }
}

CNetnsPair::~CNetnsPair() {
    // Deleting a namespace takes its end of the veth pair with it.
    if (m_createdB) Run({"netns", "del", m_nameB});
    if (m_createdA) Run({"netns", "del", m_nameA});
}

void CNetnsPair::Start(QProcess& process, const QString& ns, const QString& program,
                       const QStringList& arguments) const {
    process.start(QStringLiteral("ip"), QStringList{"netns", "exec", ns, program} + arguments);
}

bool CNetnsPair::Run(const QStringList& arguments) {
    QProcess ip;
    ip.setProcessChannelMode(QProcess::MergedChannels);
    ip.start(QStringLiteral("ip"), arguments);
    const bool ok =
        ip.waitForFinished(20000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
    if (!ok && m_error.isEmpty())
        m_error = QStringLiteral("ip %1: %2")
                      .arg(arguments.join(QLatin1Char(' ')),
                           QString::fromLocal8Bit(ip.readAll()).trimmed());
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
