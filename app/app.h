#pragma once

#include "discovery/list_entry.h"
#include "platform/dnssd.h"

#include <QByteArray>
#include <QFont>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CBrowseRestartThread;
class CComputerListModel;
class CConnection;
class CDiscovery;
class CLoginAttempt;
class QAbstractItemView;
class QWidget;

namespace platform {
class CDownloader;
class CMessageBoxes;
class CRegistry;
}  // namespace platform

// The application object: the one record of process-wide state. Window handles of the original
// design are guarded widget pointers here, null once their widget is gone; the socket is a file
// descriptor.
class CApp {
public:
    CApp();
    // Stops the threads first (StopThreads), whatever path ends the program.
    ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    // Screen measurements and fonts. Needs the QApplication, so it runs first thing in main()
    // rather than during static construction; the values are measured once per process.
    void MeasureScreen();
    // Header height, screen class and fonts from the measured resolution and a work area.
    void ApplyScreen(int workRight, int workBottom);
    // Ends every thread that reaches this object, in order: the browse restart thread, the
    // discovery engine (whose thread calls into m_discovery), the keep-alive of the connection.
    // Safe to call again.
    void StopThreads();

    QPointer<QWidget> m_mainWindow;
    QPointer<QWidget> m_commandScreen;
    bool m_savePasswords = true;
    QString m_hash;
    int m_screenClass = 0;
    QPointer<QAbstractItemView> m_listView;
    QPointer<CComputerListModel> m_listModel;  // the rows that m_listView shows
    QPointer<QAbstractItemView> m_commandList;
    QPointer<QWidget> m_listHeader;
    QPointer<QWidget> m_helpHeader;
    QPointer<QWidget> m_firstRunHeader;
    QPointer<QWidget> m_passwordHeader;
    QPointer<QWidget> m_passwordCaption;
    QPointer<QWidget> m_commandHeader;
    std::vector<CListEntry> m_computers;
    QFont m_titleFont;
    QFont m_textFont;
    int m_selectedComputer = 0;
    bool m_rowPressed = false;
    bool m_skipNextEnter = false;
    int m_headerHeight = 0;
    int m_logPixelsY = 0;
    int m_logPixelsX = 0;
    // The running browse; written by StartDiscovery, then only by the restart thread.
    platform::DNSServiceRef m_browseRef = nullptr;
    // Held alone, but by shared_ptr, whose deleter is fixed where discovery makes the object:
    // the application object lies below discovery and drops them without knowing their types.
    std::shared_ptr<CBrowseRestartThread> m_restartThread;
    std::shared_ptr<CDiscovery> m_discovery;  // lookups in flight on m_dnsSd
    // The challenge of the last reply to "Connect"; kept when a later connect gets no reply.
    QByteArray m_challenge;
    // The open, authorised connection (socket, keep-alive, miss count), or null.
    std::shared_ptr<CConnection> m_connection;
    // The login waiting for the network on the GUI thread, or null.
    CLoginAttempt* m_loginAttempt = nullptr;

    // Platform services. Tests put recording instances in their place.
    platform::CRegistry* m_registry = nullptr;
    platform::CMessageBoxes* m_messageBoxes = nullptr;
    platform::CDnsSdEngine* m_dnsSd = nullptr;
    platform::CDownloader* m_downloader = nullptr;
};

extern CApp g_app;

// Ends the program through the orderly shutdown, from any moment on the GUI thread: every page,
// message box and nested loop ends, then the main loop, and RunDormo shuts down and returns 0.
// Closing the main window, the Tools menu's Close and SIGTERM, SIGINT or SIGHUP come here.
void RequestShutdown();

// The product key under which every setting lives.
inline const QString kProductKey = QStringLiteral("Software\\Venholt\\Dormo");
