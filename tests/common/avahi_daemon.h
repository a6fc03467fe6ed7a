#pragma once

#include "common/test_process.h"

#include <QString>
#include <QTemporaryDir>

// Points DBUS_SYSTEM_BUS_ADDRESS (read once per process, so before anything connects) at a socket
// that exists only while a CAvahiDaemon runs: no test ever reaches the machine's own bus.
void UseTestSystemBus();

// A real avahi-daemon on a private D-Bus system bus, both inside a test's network namespace. The
// daemon is bound to one interface, publishes no workstation service and keeps its pid file and
// socket in a private mount namespace, so it runs beside a daemon of the machine's own.
class CAvahiDaemon {
public:
    // Starts the bus and the daemon; hostName is the name the daemon announces.
    CAvahiDaemon(const QString& ns, const QString& interface, const QString& hostName);
    ~CAvahiDaemon();
    CAvahiDaemon(const CAvahiDaemon&) = delete;
    CAvahiDaemon& operator=(const CAvahiDaemon&) = delete;

    // True once the bus runs and the daemon has finished starting; otherwise Log() tells why.
    bool Ok() const { return m_ok; }
    QString Log() { return QString::fromLocal8Bit(m_bus.Log() + m_daemon.Log()); }

    // Kills the daemon (as a crash or an upgrade would) and starts it again; the bus stays.
    void Kill() { m_daemon.Kill(); }
    bool Start();

private:
    bool StartBus();

    QString m_ns;
    QTemporaryDir m_dir;
    CTestProcess m_bus, m_daemon;
    int m_starts = 0;
    bool m_ok = false;
};

// Whether process pid holds a UDP socket on the mDNS port in namespace ns.
bool HoldsMdnsSocket(const QString& ns, qint64 pid);
