#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

// A process started for one test: what it writes on either channel is kept in one log, and it is
// ended (SIGTERM, then SIGKILL) when the object goes.
class CTestProcess {
public:
    CTestProcess() { m_process.setProcessChannelMode(QProcess::MergedChannels); }
    explicit CTestProcess(const QStringList& command) : CTestProcess() { Start(command); }
    ~CTestProcess() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) Kill();
    }
    CTestProcess(const CTestProcess&) = delete;
    CTestProcess& operator=(const CTestProcess&) = delete;

    // Starts command, the program first; false when it could not be started.
    bool Start(QStringList command) {
        m_process.start(command.takeFirst(), command);
        return m_process.waitForStarted(10000);
    }
    void Write(const QByteArray& bytes) { m_process.write(bytes); }
    void CloseInput() { m_process.closeWriteChannel(); }
    // Ends the process at once, as a crash would.
    void Kill() {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    qint64 Pid() const { return m_process.processId(); }

    // Waits until the log holds text count times; false when the process ends or 20 s pass first,
    // so a fault cannot hang the test.
    bool WaitForLog(const QString& text, int count = 1) {
        const QByteArray needle = text.toUtf8();
        const QDeadlineTimer deadline(20000);
        while (Log().count(needle) < count && !deadline.hasExpired() &&
               m_process.state() != QProcess::NotRunning)
            m_process.waitForReadyRead(100);
        return Log().count(needle) >= count;
    }
    QByteArray Log() {
        m_log += m_process.readAll();
        return m_log;
    }

private:
    QProcess m_process;
    QByteArray m_log;
};
