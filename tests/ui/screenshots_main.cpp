// dormo-screenshots FOLDER: renders the main window and the command rows offscreen at 96 and at
// 192 dpi into PNG files in FOLDER, for people to look at.
#include "app/app.h"
#include "app/main_window.h"
#include "app/screen_metrics.h"
#include "common/avahi_daemon.h"
#include "common/isolated_network.h"
#include "common/temp_config.h"
#include "dialogs/first_run_page.h"
#include "dialogs/help_page.h"
#include "dialogs/main_window_command.h"
#include "discovery/computer_list_model.h"
#include "resources/resource_ids.h"
#include "ui/command_list_model.h"
#include "ui/header_label.h"
#include "ui/row_drawing.h"
#include "ui/row_list_view.h"
#include "ui/soft_key_bar.h"

#include <QApplication>
#include <QDialog>
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
    g_app.m_logPixelsX = g_app.m_logPixelsY = dpi;
    g_app.ApplyScreen(size.width(), size.height());
    CTempConfig config;

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
        g_app.m_computers.push_back({name, 0, "10.77.0.2", name.toStdString(), 0, true});
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

    // The pages a tap opens, grabbed from inside their own event loops.
    const auto savePage = [&](const QString& name) {
        QTimer::singleShot(0, [&folder, dpi, name] {
            QWidget* page = QApplication::activeModalWidget();
            if (!page) return;
            Save(*page, folder, name, dpi);
            // done() rather than close(): the First run notice ignores closing.
            if (auto* dialog = qobject_cast<QDialog*>(page)) dialog->done(0);
        });
    };
    savePage(QStringLiteral("password"));
    OpenComputer(g_app, 1);
    savePage(QStringLiteral("help"));
    RunHelpPage(&window);
    savePage(QStringLiteral("about"));
    OnMainWindowCommand(g_app, &window, IDM_ABOUT);
    savePage(QStringLiteral("options"));
    OnMainWindowCommand(g_app, &window, IDM_OPTIONS);
    savePage(QStringLiteral("first-run"));
    RunFirstRunPage(&window);

    // The command rows as the command screen shows them, under its header and soft keys.
    QWidget screen;
    screen.setGeometry(QRect(QPoint(0, 0), size));
    CSoftKeyBar::Create(IDR_COMMAND_MENU, &screen);
    auto* header = new CHeaderLabel(names[1], true, &screen);
    auto* list = new CRowListView(&screen);
    CCommandListModel model;
    list->setModel(&model);
    list->setItemDelegate(new CCommandRowDelegate(list));
    list->setFont(g_app.m_textFont);
    const int bar = CSoftKeyBar::Height();
    header->setGeometry(0, -ScaleLogical(1, dpi), size.width(), g_app.m_headerHeight);
    list->setGeometry(0, g_app.m_headerHeight, size.width(),
                      size.height() - g_app.m_headerHeight - bar);
    list->setCurrentIndex(model.index(0, 0));
    screen.show();
    QApplication::processEvents();
    Save(screen, folder, QStringLiteral("commands"), dpi);

    g_app.m_computers.clear();
    g_app.m_mainWindow = nullptr;
    g_app.m_listView = nullptr;
    g_app.m_listModel = nullptr;
    g_app.m_listHeader = nullptr;
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
