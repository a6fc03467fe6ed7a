#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

// A dormo-helper started for one test (DORMO_HELPER_BINARY), its log kept. By default it serves
// on 127.0.0.1 without advertising; launcher (e.g. "ip netns exec NAME") runs it elsewhere.
class CHelperProcess {
public:
    explicit CHelperProcess(const QByteArray& password, QStringList extraArguments = {})
        : CHelperProcess(
              password, {},
              QStringList{"--port", "0", "--listen-address", "127.0.0.1", "--no-advertise"} +
                  extraArguments) {}
    CHelperProcess(const QByteArray& password, const QStringList& launcher,
                   const QStringList& arguments) {
        QStringList command = launcher;
        command << QStringLiteral(DORMO_HELPER_BINARY) << QStringLiteral("--password-stdin");
        command += arguments;
        m_process.start(command.takeFirst(), command);
        if (!m_process.waitForStarted(10000)) return;
        m_process.write(password + "\n");
        m_process.closeWriteChannel();
        const auto port = QRegularExpression(QStringLiteral("listening on \\S+ port (\\d+)"));
        if (WaitForLog(QStringLiteral("listening on")))
            m_port = port.match(QString::fromUtf8(m_log)).captured(1).toUShort();
    }
    ~CHelperProcess() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) m_process.kill();
        m_process.waitForFinished(10000);
    }

    // 0 when the helper did not come up.
    quint16 Port() const { return m_port; }
    qint64 Pid() const { return m_process.processId(); }
    void Kill() {
        m_process.kill();
        m_process.waitForFinished(10000);
    }

    // Waits (at most 15 s, so a fault cannot hang the test) until the log holds text count times.
    bool WaitForLog(const QString& text, int count = 1) {
        const QByteArray needle = text.toUtf8();
        const QDeadlineTimer deadline(15000);
        while (Log().count(needle) < count && !deadline.hasExpired() &&
               m_process.state() != QProcess::NotRunning)
            m_process.waitForReadyRead(100);
        return Log().count(needle) >= count;
    }
    QByteArray Log() {
        m_log += m_process.readAllStandardError();
        return m_log;
    }

private:
    QProcess m_process;
    QByteArray m_log;
    quint16 m_port = 0;
};
