#pragma once

#include "app/app.h"
#include "common/temp_config.h"
#include "platform/message_box.h"

#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Runs an event loop that should end by itself (QApplication::exec, RunDormo); one still running
// after 20 s is ended with 1, so a fault fails the test rather than hanging it.
inline int RunWithinLimit(const std::function<int()>& loop) {
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    limit.start(20000);
    return loop();
}

// Puts g_app on a screen of the given resolution and work area for one test, and back after.
class CScreenSetup {
public:
    CScreenSetup(int dpi, int workRight, int workBottom)
        : m_x(g_app.m_logPixelsX), m_y(g_app.m_logPixelsY) {
        g_app.m_logPixelsX = g_app.m_logPixelsY = dpi;
        g_app.ApplyScreen(workRight, workBottom);
    }
    ~CScreenSetup() {
        g_app.m_logPixelsX = m_x;
        g_app.m_logPixelsY = m_y;
    }

private:
    int m_x;
    int m_y;
};

// Records every message box instead of showing it, and answers from a queue (IDOK when empty).
class CRecordingMessageBoxes : public platform::CMessageBoxes {
public:
    struct Shown {
        QPointer<QWidget> owner;
        QString text;
        QString caption;
        unsigned flags;
    };

    int Show(QWidget* owner, const QString& text, const QString& caption, unsigned flags) override {
        m_shown.push_back({owner, text, caption, flags});
        if (m_answers.empty()) return platform::IDOK;
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    void Answer(int answer) { m_answers.push_back(answer); }
    const std::vector<Shown>& ShownBoxes() const { return m_shown; }

private:
    std::deque<int> m_answers;
    std::vector<Shown> m_shown;
};

// g_app for one GUI test: a private settings file, recorded message boxes, a 96 dpi 240x320
// screen, default settings and nothing left from an earlier test; all put back when it goes.
class CTestApp {
public:
    CTestApp() : m_previousBoxes(std::exchange(g_app.m_messageBoxes, &m_boxes)) { Clear(); }
    ~CTestApp() {
        Clear();
        g_app.m_messageBoxes = m_previousBoxes;
        g_app.m_dnsSd = m_previousEngine;
    }
    CTestApp(const CTestApp&) = delete;
    CTestApp& operator=(const CTestApp&) = delete;

    // A plain shown window in the main window's place, for pages to open in.
    QWidget& PlainMainWindow() {
        m_plainWindow = std::make_unique<QWidget>();
        m_plainWindow->setGeometry(40, 50, 240, 320);
        m_plainWindow->show();
        g_app.m_mainWindow = m_plainWindow.get();
        return *m_plainWindow;
    }
    // The texts of the message boxes shown so far.
    QStringList Texts() const {
        QStringList texts;
        for (const auto& shown : m_boxes.ShownBoxes()) texts << shown.text;
        return texts;
    }

    CTempConfig m_config;
    CRecordingMessageBoxes m_boxes;
    CScreenSetup m_screen{96, 240, 320};

private:
    static void Clear() {
        g_app.m_mainWindow.clear();
        g_app.m_commandScreen.clear();
        g_app.m_listView.clear();
        g_app.m_commandList.clear();
        g_app.m_listModel.clear();
        g_app.m_listHeader.clear();
        g_app.m_computers.clear();
        g_app.m_selectedComputer = 0;
        g_app.m_rowPressed = g_app.m_skipNextEnter = false;
        g_app.m_savePasswords = true;
        g_app.m_hash.clear();
        g_app.m_challenge.clear();
    }

    platform::CMessageBoxes* m_previousBoxes;
    platform::CDnsSdEngine* m_previousEngine = g_app.m_dnsSd;
    std::unique_ptr<QWidget> m_plainWindow;
};
