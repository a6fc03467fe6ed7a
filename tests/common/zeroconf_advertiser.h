#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

class CNetnsPair;

// python3-zeroconf advertising "_vh-dormo._tcp.local." services on side A of a namespace pair.
// Each service is "instance:host:port" with host given without ".local.".
class CZeroconfAdvertiser {
public:
    CZeroconfAdvertiser(const CNetnsPair& pair, const QStringList& services);
    ~CZeroconfAdvertiser();

    // True once every service is registered; otherwise Output() tells why.
    bool Ready() const { return m_ready; }
    QString Output() const { return m_output; }
    // Unregisters one service, which sends its goodbye; true once done.
    bool Withdraw(const QString& instance);

private:
    QProcess m_process;
    QString m_output;
    bool m_ready = false;
};
