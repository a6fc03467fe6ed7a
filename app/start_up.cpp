#include "app/start_up.h"

#include "app/app.h"
#include "app/main_window.h"
#include "app/settings.h"
#include "connection/connect_and_authorise.h"
#include "dialogs/first_run_page.h"
#include "discovery/browse_restart_thread.h"
#include "discovery/discovery.h"
#include "platform/log.h"
#include "platform/registry.h"
#include "platform/single_instance.h"
#include "platform/termination_signals.h"

#include <QApplication>
#include <QThreadPool>
#include <QTimer>

namespace {

// Brings the running window, or the modal page open over it, to the front.
void ComeForward() {
    QWidget* target = QApplication::activeModalWidget();
    if (!target) target = g_app.m_mainWindow;
    if (!target) return;
    target->showNormal();
    target->raise();
    target->activateWindow();
}

}  // namespace

int RunDormo() {
    platform::CSingleInstance instance(QStringLiteral("DormoClass"));
    if (!instance.BecomePrimary()) return 0;
    instance.SetOnActivate(ComeForward);

    g_app.MeasureScreen();
    platform::CTerminationSignals terminationSignals([](int) { RequestShutdown(); });
    platform::CRegistry registry(platform::CRegistry::DefaultPath());
    g_app.m_registry = &registry;

    const bool firstRunDue = IsFirstRunDue(g_app);
    qCInfo(lcSettings) << "first-run notice" << (firstRunDue ? "due" : "not due");

    int code = 0;
    {
        CMainWindow window;
        window.OnCreate();
        window.raise();
        window.activateWindow();
        // The notice runs as the loop's first event: a Close or a closed window while it is
        // open then ends the main loop too, which an exit before exec() would not.
        if (firstRunDue) QTimer::singleShot(0, &window, [&window] { RunFirstRunPage(&window); });
        code = QApplication::exec();
        ShutDown();
    }
    g_app.m_registry = nullptr;
    return code;
}

void ShutDown() {
    StopBrowseRestartThread();
    CloseDiscovery();
    CloseConnection();
    // Qt's own worker threads (started by some widgets) end here too, so none outlives g_app.
    QThreadPool::globalInstance()->waitForDone();
}
