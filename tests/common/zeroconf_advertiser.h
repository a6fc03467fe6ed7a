#pragma once

#include "common/net_test.h"

#include <QProcess>
#include <QString>
#include <QStringList>

// python3-zeroconf advertising "_vh-dormo._tcp.local." services on side A of a namespace pair.
// Each service is "instance:host:port" with host given without ".local.".
class CZeroconfAdvertiser {
public:
    CZeroconfAdvertiser(const CNetnsPair& pair, const QStringList& services) {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        pair.Start(
            m_process, pair.NameA(), kDebianPython,
            QStringList{QStringLiteral(DORMO_ZEROCONF_ADVERTISE), pair.AddressA()} + services);
        m_ready = WaitForOutput(m_process, "ready\n", &m_output);
    }
    ~CZeroconfAdvertiser() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // True once every service is registered; otherwise Output() tells why.
    bool Ready() const { return m_ready; }
    QString Output() const { return m_output; }
    // Unregisters one service, which sends its goodbye; true once done.
    bool Withdraw(const QString& instance) {
        m_process.write(QStringLiteral("withdraw %1\n").arg(instance).toUtf8());
        return WaitForOutput(m_process, QStringLiteral("withdrawn %1\n").arg(instance).toUtf8(),
                             &m_output);
    }

private:
    QProcess m_process;
    QString m_output;
    bool m_ready = false;
};
