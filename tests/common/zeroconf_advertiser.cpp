#include "common/zeroconf_advertiser.h"

#include "common/netns.h"

#include <QElapsedTimer>

CZeroconfAdvertiser::CZeroconfAdvertiser(const CNetnsPair& pair, const QStringList& services) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    pair.Start(m_process, pair.NameA(), kDebianPython,
               QStringList{QStringLiteral(DORMO_ZEROCONF_ADVERTISE), pair.AddressA()} + services);
    m_ready = WaitForLine(QStringLiteral("ready"));
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
    return WaitForLine(QStringLiteral("withdrawn ") + instance);
}

bool CZeroconfAdvertiser::WaitForLine(const QString& line) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000 && m_process.state() != QProcess::NotRunning) {
        while (m_process.canReadLine()) {
            const QString got = QString::fromUtf8(m_process.readLine()).trimmed();
            m_output += got + QLatin1Char('\n');
            if (got == line) return true;
        }
        m_process.waitForReadyRead(200);
    }
    m_output += QString::fromUtf8(m_process.readAll());
    return false;
}
