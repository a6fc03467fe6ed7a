#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

// A small HTTP server on 127.0.0.1 in a thread of its own, so that a blocking download on the
// test's thread can reach it. It answers every GET with one fixed answer.
class CHttpTestServer {
public:
    enum class Mode {
        Serve,     // 200 with the body
        NotFound,  // 404
        Silent,    // accepts, reads the request and never answers
    };

    explicit CHttpTestServer(Mode mode, QByteArray body = {});
    ~CHttpTestServer();
    CHttpTestServer(const CHttpTestServer&) = delete;
    CHttpTestServer& operator=(const CHttpTestServer&) = delete;

    QString BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QStringList RequestedPaths() const;

private:
    void Run(std::promise<quint16>* started);

    Mode m_mode;
    QByteArray m_body;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QStringList m_paths;
    std::thread m_thread;
};
