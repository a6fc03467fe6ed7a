#include "common/zeroconf_advertiser.h"

#include "common/net_test.h"

CZeroconfAdvertiser::CZeroconfAdvertiser(const CNetnsPair& pair, const QStringList& services) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    pair.Start(m_process, pair.NameA(), kDebianPython,
               QStringList{QStringLiteral(DORMO_ZEROCONF_ADVERTISE), pair.AddressA()} + services);
    m_ready = WaitForOutput(m_process, "ready\n", &m_output);
}

CZeroconfAdvertiser::~CZeroconfAdvertiser() {
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool CZeroconfAdvertiser::Withdraw(const QString& instance) {
    m_process.write(QStringLiteral("withdraw %1\n").arg(instance).toUtf8());
    return WaitForOutput(m_process, QStringLiteral("withdrawn %1\n").arg(instance).toUtf8(),
                         &m_output);
}
