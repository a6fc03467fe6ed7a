#include "common/avahi_daemon.h"

#include "common/files.h"
#include "common/net_test.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

QString BusFolder() {
    return QDir::tempPath() +
           QStringLiteral("/dormo-bus-%1").arg(QCoreApplication::applicationPid());
}

QByteArray TestSystemBusAddress() {
    return "unix:path=" + QFile::encodeName(BusFolder()) + "/socket";
}

}  // namespace

void UseTestSystemBus() {
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", TestSystemBusAddress());
}

CAvahiDaemon::CAvahiDaemon(const QString& ns, const QString& interface, const QString& hostName)
    : m_ns(ns) {
    const QByteArray config =
        "[server]\nhost-name=" + hostName.toUtf8() +
        "\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=" + interface.toUtf8() +
        "\nenable-dbus=yes\n[wide-area]\nenable-wide-area=no\n"
        "[publish]\npublish-workstation=no\npublish-hinfo=no\npublish-aaaa-on-ipv4=no\n";
    m_ok = m_dir.isValid() && !WriteFile(m_dir.filePath("avahi-daemon.conf"), config).isEmpty() &&
           StartBus() && Start();
}

CAvahiDaemon::~CAvahiDaemon() {
    m_daemon.Kill();
    m_bus.Kill();
    QDir(BusFolder()).removeRecursively();
}

bool CAvahiDaemon::StartBus() {
    // No service folders: nothing is ever started on demand by this bus.
    const QByteArray config =
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>system</type><listen>" +
        TestSystemBusAddress() +
        "</listen><auth>EXTERNAL</auth>"
        "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
        "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n";
    QDir(BusFolder()).removeRecursively();
    if (!QDir().mkpath(BusFolder()) || WriteFile(m_dir.filePath("bus.conf"), config).isEmpty())
        return false;
    return m_bus.Start({"ip", "netns", "exec", m_ns, "dbus-daemon", "--nofork", "--nopidfile",
                        "--print-address", "--config-file=" + m_dir.filePath("bus.conf")}) &&
           m_bus.WaitForLog(QStringLiteral("unix:"));
}

bool CAvahiDaemon::Start() {
    // The daemon's pid file and socket have fixed places under /run: a fresh /run of its own.
    const QString script = QStringLiteral(
                               "mount -t tmpfs dormo-avahi /run && mkdir /run/avahi-daemon && "
                               "exec avahi-daemon --no-drop-root --no-chroot --no-rlimits -f %1")
                               .arg(m_dir.filePath("avahi-daemon.conf"));
    return m_daemon.Start(
               {"ip", "netns", "exec", m_ns, "unshare", "--mount", "sh", "-c", script}) &&
           m_daemon.WaitForLog(QStringLiteral("Server startup complete"), ++m_starts);
}

bool HoldsMdnsSocket(const QString& ns, qint64 pid) {
    QByteArray sockets;
    Ip({"netns", "exec", ns, "ss", "-Hulpn", "sport = :5353"}, &sockets);
    return sockets.contains("pid=" + QByteArray::number(pid) + ",");
}
