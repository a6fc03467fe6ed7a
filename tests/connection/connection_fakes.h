#pragma once

#include "app/app.h"
#include "common/test_app.h"
#include "connection/connect_and_authorise.h"
#include "connection/connection_screens.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMap>
#include <QWidget>

#include <arpa/inet.h>

#include <functional>

// Records what the connection asked of the password dialog.
class CFakePasswordPage : public CPasswordPage {
public:
    QWidget* Widget() override { return &m_widget; }
    void ClearEdit() override { ++m_clears; }
    void End() override { ++m_ends; }

    QWidget m_widget;
    int m_clears = 0;
    int m_ends = 0;
};

// Stands in for the modal command screen: runs the test's script, then (with waitForLoss) an
// event loop until the loss notice comes, as the real screen would.
class CFakeCommandScreen : public CCommandScreenRunner {
public:
    void RunCommandScreen() override {
        ++m_runs;
        if (m_script) m_script();
        if (!m_waitForLoss) return;
        const int losses = m_losses;
        QDeadlineTimer deadline(30000);
        while (m_losses == losses && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    void OnComputerLost() override {
        ++m_losses;
        CloseConnection();
    }

    std::function<void()> m_script;
    bool m_waitForLoss = false;
    int m_runs = 0;
    int m_losses = 0;
};

// g_app set up for one test (see CTestApp) with one computer to connect to.
class CConnectionTestApp : public CTestApp {
public:
    ~CConnectionTestApp() { CloseConnection(); }
    void SetComputer(const QString& name, quint16 port, const char* address = "127.0.0.1") {
        CListEntry entry;
        entry.m_name = name;
        entry.m_address = address;
        entry.m_port = htons(port);
        g_app.m_computers = {entry};
        g_app.m_selectedComputer = 0;
    }
    // The message boxes shown so far, each as "kind: text".
    QStringList Boxes() const {
        using namespace platform;
        const QMap<unsigned, QString> kinds{{MB_OK | MB_ICONEXCLAMATION, "warning"},
                                            {MB_OK | MB_ICONINFORMATION, "notice"},
                                            {MB_YESNO | MB_ICONQUESTION, "question"}};
        QStringList boxes;
        for (const auto& shown : m_boxes.ShownBoxes())
            boxes << kinds.value(shown.flags, "other") + ": " + shown.text;
        return boxes;
    }
};

// Short waits so the loss cases finish quickly.
inline CConnectionLimits QuickLimits() {
    using std::chrono::milliseconds;
    return {.connect = milliseconds(2000),
            .reply = milliseconds(300),
            .send = milliseconds(2000),
            .pingInterval = milliseconds(10),
            .pong = milliseconds(100)};
}
