#pragma once

#include "common/net_test.h"
#include "common/test_process.h"

// python3-zeroconf advertising "_vh-dormo._tcp.local." services on side A of a namespace pair.
// Each service is "instance:host:port" with host given without ".local.".
class CZeroconfAdvertiser : public CTestProcess {
public:
    CZeroconfAdvertiser(const CNetnsPair& pair, const QStringList& services)
        : CTestProcess(QStringList{"ip", "netns", "exec", pair.NameA(), kDebianPython,
                                   DORMO_ZEROCONF_ADVERTISE, pair.AddressA()} +
                       services) {}

    // True once every service is registered; otherwise Log() tells why.
    bool Ready() { return WaitForLog(QStringLiteral("ready\n")); }
    // Unregisters one service, which sends its goodbye; true once done.
    bool Withdraw(const QString& instance) {
        Write("withdraw " + instance.toUtf8() + '\n');
        return WaitForLog("withdrawn " + instance + '\n');
    }
};
