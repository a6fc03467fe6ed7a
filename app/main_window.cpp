#include "app/main_window.h"

#include "app/app.h"
#include "app/screen_metrics.h"
#include "app/settings.h"
#include "discovery/computer_list_model.h"
#include "discovery/discovery.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QListView>
#include <QScreen>
#include <QVBoxLayout>

CMainWindow::CMainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Dormo"));
}

void CMainWindow::OnCreate() {
    g_app.m_mainWindow = this;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_model = new CComputerListModel(this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("listView"));
    m_list->setModel(m_model);
    m_list->setFont(g_app.m_textFont);
    layout->addWidget(m_list);
    g_app.m_listView = m_list;
    g_app.m_listModel = m_model;

    StartDiscovery();
    LoadSettings(g_app);
    g_app.m_computers.clear();
    m_model->Clear();
    setFocusProxy(m_list);
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // The orderly shutdown runs once the event loop has returned.
    event->accept();
    QApplication::exit(0);
}

void CMainWindow::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (m_list) m_list->setFocus();
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
