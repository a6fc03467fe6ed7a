#pragma once

#include "app/app.h"
#include "common/recording_message_boxes.h"
#include "common/screen_setup.h"
#include "common/temp_config.h"

#include <QStringList>
#include <QWidget>

#include <memory>
#include <utility>

// g_app as one GUI test needs it: a private settings file, recorded message boxes, a 96 dpi
// 240x320 screen and the default settings, with no window, list or computer left from an
// earlier test. Everything a test may have set is put back when the object goes.
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
