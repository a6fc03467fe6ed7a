#pragma once

#include "app/app.h"
#include "common/recording_message_boxes.h"
#include "common/temp_config.h"
#include "connection/connect_and_authorise.h"
#include "connection/connection_screens.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
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

// Stands in for the modal command screen: runs the test's script as the screen's time, then
// (with waitForLoss) runs an event loop until the loss notice comes, as the real screen would.
class CFakeCommandScreen : public CCommandScreenRunner {
public:
    void RunCommandScreen() override {
        ++m_runs;
        m_connectedWhileRunning = IsConnected();
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
    bool m_connectedWhileRunning = false;
};

// g_app set up for one test: a private registry, recorded message boxes and one computer.
class CConnectionTestApp {
public:
    CConnectionTestApp() {
        m_previousBoxes = g_app.m_messageBoxes;
        g_app.m_messageBoxes = &m_boxes;
        g_app.m_savePasswords = true;
        g_app.m_challenge.clear();
    }
    ~CConnectionTestApp() {
        CloseConnection();
        g_app.m_messageBoxes = m_previousBoxes;
        g_app.m_computers.clear();
    }
    void SetComputer(const QString& name, quint16 port, const char* address = "127.0.0.1") {
        CListEntry entry;
        entry.m_name = name;
        entry.m_address = address;
        entry.m_port = htons(port);
        g_app.m_computers = {entry};
        g_app.m_selectedComputer = 0;
    }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& shown : m_boxes.ShownBoxes()) texts << shown.text;
        return texts;
    }

    CTempConfig m_config;
    CRecordingMessageBoxes m_boxes;

private:
    platform::CMessageBoxes* m_previousBoxes = nullptr;
};

// Short waits so the loss cases finish quickly; the rules about counting stay the same.
inline CConnectionLimits QuickLimits() {
    using std::chrono::milliseconds;
    return {.connect = milliseconds(2000),
            .reply = milliseconds(300),
            .send = milliseconds(2000),
            .pingInterval = milliseconds(10),
            .pong = milliseconds(100)};
}
