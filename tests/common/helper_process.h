#pragma once

#include "common/test_process.h"

#include <QRegularExpression>

// A dormo-helper started for one test (DORMO_HELPER_BINARY). By default it serves on 127.0.0.1
// without advertising; launcher (e.g. "ip netns exec NAME") runs it elsewhere.
class CHelperProcess : public CTestProcess {
public:
    explicit CHelperProcess(const QByteArray& password, QStringList extraArguments = {})
        : CHelperProcess(
              password, {},
              QStringList{"--port", "0", "--listen-address", "127.0.0.1", "--no-advertise"} +
                  extraArguments) {}
    CHelperProcess(const QByteArray& password, const QStringList& launcher,
                   const QStringList& arguments) {
        if (!Start(launcher + QStringList{DORMO_HELPER_BINARY, "--password-stdin"} + arguments))
            return;
        Write(password + "\n");
        CloseInput();
        const auto port = QRegularExpression(QStringLiteral("listening on \\S+ port (\\d+)"));
        if (WaitForLog(QStringLiteral("listening on")))
            m_port = port.match(QString::fromUtf8(Log())).captured(1).toUShort();
    }

    // 0 when the helper did not come up.
    quint16 Port() const { return m_port; }

private:
    quint16 m_port = 0;
};
