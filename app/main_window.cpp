#include "app/main_window.h"

#include "app/app.h"
#include "app/screen_metrics.h"
#include "app/settings.h"
#include "connection/password_dialog.h"
#include "connection/wake.h"
#include "dialogs/help_page.h"
#include "dialogs/main_window_command.h"
#include "discovery/add_or_update.h"
#include "discovery/browse_restart_thread.h"
#include "discovery/computer_list_model.h"
#include "discovery/discovery.h"
#include "discovery/manual_computer.h"
#include "discovery/remember.h"
#include "platform/cursor.h"
#include "platform/tick_count.h"
#include "resources/bitmaps.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"
#include "ui/control_id.h"
#include "ui/header_label.h"
#include "ui/row_drawing.h"
#include "ui/row_list_view.h"
#include "ui/soft_key_bar.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

CMainWindow::CMainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(LoadResourceString(IDS_TITLE));
    setWindowIcon(AppIcon());
    m_helpRowTimer.setSingleShot(true);
    m_helpRowTimer.setInterval(1000);
    connect(&m_helpRowTimer, &QTimer::timeout, this, &CMainWindow::OnHelpRowTimer);
}

void CMainWindow::OnCreate() {
    g_app.m_mainWindow = this;
    if (CSoftKeyBar* bar = CSoftKeyBar::Create(IDR_MAIN_MENU, this))
        connect(bar, &CSoftKeyBar::Command, this,
                [this](int id) { OnMainWindowCommand(g_app, this, id); });

    auto* header = new CHeaderLabel(QStringLiteral("Visible Computers"), true, this);
    header->setObjectName(QStringLiteral("header"));
    SetControlId(header, IDC_HEADER);
    header->setGeometry(0, 0, width(), g_app.m_headerHeight);
    g_app.m_listHeader = header;

    m_model = new CComputerListModel(this);
    m_list = new CRowListView(this);
    m_list->setObjectName(QStringLiteral("listView"));
    SetControlId(m_list, IDC_LIST_VIEW);
    // The sleeping section's header is lower than the rows.
    m_list->setUniformItemSizes(false);
    m_list->setModel(m_model);
    m_list->setItemDelegate(new CComputerRowDelegate(m_list));
    m_list->setFont(g_app.m_textFont);
    m_list->setGeometry(0, 0, width(), height());
    connect(m_list, &CRowListView::RowActivated, this, &CMainWindow::OnListActivated);
    connect(m_list, &CRowListView::RowMenuRequested, this, &CMainWindow::OnRowMenu);
    g_app.m_listView = m_list;
    g_app.m_listModel = m_model;
    setFocusProxy(m_list);

    StartDiscovery();
    LoadSettings(g_app);
    g_app.m_computers.clear();
    m_model->Clear();
    LoadRememberedComputers(g_app);

    PlaceMainWindow(this);
    show();
    StartBrowseRestartThread();
    m_helpRowTimer.start();
    platform::SetWaitCursor(true);
}

void CMainWindow::OnHelpRowTimer() {
    platform::SetWaitCursor(false);
    // Remembered computers not heard in the first second show as sleeping.
    RemoveSilentComputers(*m_model, g_app.m_computers, platform::TickCount());
    // Only while nothing was ever recorded or remembered: rows may have come and gone.
    if (!g_app.m_computers.empty()) return;
    m_list->setCurrentIndex({});
    m_model->AppendRow(kHelpRowText, kHelpRowData, -1);
}

void CMainWindow::OnListActivated(int row) {
    if (row < 0 || row >= m_model->rowCount()) return;
    if (m_model->ItemData(row) == kHelpRowData) {
        g_app.m_selectedComputer = 0;
        FlashRow(m_list, 0);
        RunHelpPage(this);
        return;
    }
    if (m_model->ItemData(row) == kSleepingHeaderData) return;
    if (m_model->ItemData(row) == kSleepingRowData) {
        WakeSleepingComputer(g_app, row);
        return;
    }
    OpenComputer(g_app, row);
}

void CMainWindow::OnRowMenu(int row, const QPoint& globalPos) {
    const int entry = row >= 0 && row < m_model->rowCount() ? m_model->Entry(row) : -1;
    if (entry < 0 || size_t(entry) >= g_app.m_computers.size() ||
        !g_app.m_computers[size_t(entry)].m_manual)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("rowMenu"));
    const QAction* remove = menu.addAction(QStringLiteral("Remove"));
    // Entries never move, so entry still names the computer once the menu has closed.
    if (menu.exec(globalPos) == remove) RemoveManualComputer(g_app, entry);
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // Pages inside the window end with it; the orderly shutdown runs once the loops have
    // returned.
    event->accept();
    RequestShutdown();
}

void CMainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (g_app.m_mainWindow == this) LayoutMainWindow(g_app);
}

void LayoutMainWindow(CApp& app) {
    QWidget* window = app.m_mainWindow;
    if (!window || !app.m_listHeader || !app.m_listView) return;
    QRect client = window->rect();
    if (const auto* bar = window->findChild<CSoftKeyBar*>(QString(), Qt::FindDirectChildrenOnly))
        client.setBottom(bar->geometry().top() - 1);
    const int h = app.m_headerHeight;
    const int onePixel = ScaleLogical(1, app.m_logPixelsY);
    app.m_listHeader->setGeometry(client.left(), client.top() - onePixel, client.width(), h);
    app.m_listView->setGeometry(client.left(), client.top() + h, client.width(),
                                client.height() - h);
}

void OpenComputer(CApp& app, int row) {
    // Rows carry the index of their entry; that entry, not the row's position, is the computer.
    const int entry = app.m_listModel ? app.m_listModel->Entry(row) : -1;
    if (entry < 0 || entry >= int(app.m_computers.size())) return;
    app.m_selectedComputer = entry;
    FlashRow(app.m_listView, row);
    RunPasswordDialog(app.m_mainWindow);
}

void WakeSleepingComputer(CApp& app, int row) {
    const int entry = app.m_listModel ? app.m_listModel->Entry(row) : -1;
    if (entry < 0 || entry >= int(app.m_computers.size())) return;
    FlashRow(app.m_listView, row);
    // A copy: the list may change while the question is open.
    const CListEntry computer = app.m_computers[size_t(entry)];
    WakeComputer(app.m_mainWindow, computer);
}

void PlaceMainWindow(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 480, 800);
    if (work.width() <= 480 && work.height() <= 800) {
        window->setGeometry(work);
        return;
    }
    const QSize size(ScaleLogical(360, g_app.m_logPixelsX), ScaleLogical(640, g_app.m_logPixelsY));
    window->resize(size.boundedTo(work.size()));
    window->move(work.center() - window->rect().center());
}
