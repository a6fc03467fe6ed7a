// dormo-screenshots FOLDER: renders the main window, alone and with each page running inside it,
// offscreen at 96 and at 192 dpi into PNG files in FOLDER, for people to look at.
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/avahi_daemon.h"
#include "common/isolated_network.h"
#include "common/test_app.h"
#include "connection/command_screen.h"
#include "dialogs/first_run_page.h"
#include "dialogs/help_page.h"
#include "dialogs/main_window_command.h"
#include "discovery/computer_list_model.h"
#include "platform/tick_count.h"
#include "resources/resource_ids.h"
#include "ui/page.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

namespace {

void Save(QWidget& widget, const QString& folder, const QString& name, int dpi) {
    const QString path = QStringLiteral("%1/%2-%3dpi.png").arg(folder, name).arg(dpi);
    widget.grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

void RenderAt(int dpi, const QSize& size, const QString& folder) {
    CTestApp app;
    CScreenSetup metrics(dpi, size.width(), size.height());

    CMainWindow window;
    window.OnCreate();
    window.setGeometry(QRect(QPoint(0, 0), size));
    window.OnHelpRowTimer();
    QApplication::processEvents();
    Save(window, folder, QStringLiteral("main-empty"), dpi);

    g_app.m_listModel->Clear();
    const QStringList names{QStringLiteral("Study-PC"), QStringLiteral("Living room Mac"),
                            QStringLiteral("Workshop")};
    for (const QString& name : names) {
        g_app.m_computers.push_back(
            {name, platform::TickCount(), "10.77.0.2", name.toStdString(), 0, true});
        g_app.m_listModel->AppendRow(name, kComputerRowData, int(g_app.m_computers.size()) - 1);
    }
    g_app.m_listView->setCurrentIndex(g_app.m_listModel->index(1, 0));
    Save(window, folder, QStringLiteral("main-computers"), dpi);
    g_app.m_rowPressed = true;
    Save(window, folder, QStringLiteral("main-pressed"), dpi);
    g_app.m_rowPressed = false;

    g_app.m_listModel->AppendRow(kSleepingHeaderText, kSleepingHeaderData, -1);
    const QString sleeper = QStringLiteral("Garage NAS");
    g_app.m_computers.push_back({sleeper, 0, "10.77.0.3", sleeper.toStdString(), 0, true});
    g_app.m_listModel->AppendRow(sleeper, kSleepingRowData, int(g_app.m_computers.size()) - 1);
    QApplication::processEvents();
    Save(window, folder, QStringLiteral("main-sleeping"), dpi);
    g_app.m_listModel->RemoveRow(g_app.m_listModel->rowCount() - 1);
    g_app.m_listModel->RemoveRow(g_app.m_listModel->rowCount() - 1);

    // The pages, each inside the window as it runs, grabbed from inside its own event loop.
    const auto savePage = [&](const QString& name) {
        QTimer::singleShot(0, [&window, &folder, dpi, name] {
            CPage* page = FrontPage();
            if (!page) return;
            Save(window, folder, name, dpi);
            // done() rather than close(): the First run notice ignores closing.
            page->done(0);
        });
    };
    savePage(QStringLiteral("password"));
    OpenComputer(g_app, 1);
    savePage(QStringLiteral("commands"));
    g_app.m_selectedComputer = 1;
    CCommandScreen screen;
    RunDialog(IDD_COMMAND_SCREEN, &window, screen);
    savePage(QStringLiteral("help"));
    RunHelpPage(&window);
    savePage(QStringLiteral("about"));
    OnMainWindowCommand(g_app, &window, IDM_ABOUT);
    savePage(QStringLiteral("options"));
    OnMainWindowCommand(g_app, &window, IDM_OPTIONS);
    savePage(QStringLiteral("first-run"));
    RunFirstRunPage(&window);
    ShutDown();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dormo-screenshots FOLDER\n");
        return 2;
    }
    // The main window starts the network engine; it may only ever see a private loopback.
    if (!IsolateNetwork()) {
        std::fprintf(stderr, "dormo-screenshots needs root for a private network namespace\n");
        return 1;
    }
    UseTestSystemBus();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    RenderAt(96, QSize(240, 320), folder);
    RenderAt(192, QSize(480, 640), folder);
    return 0;
}
