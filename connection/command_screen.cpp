#include "connection/command_screen.h"

#include "app/app.h"
#include "connection/command_list_view.h"
#include "connection/connect_and_authorise.h"
#include "dialogs/command_screen_command.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"
#include "ui/command_list_model.h"
#include "ui/control_id.h"
#include "ui/header_label.h"
#include "ui/input_gate.h"
#include "ui/soft_key_bar.h"

#include <QEventLoop>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

CCommandScreen::CCommandScreen(QWidget* owner) : CPage(owner) {}

void CCommandScreen::OnInitDialog() {
    g_app.m_commandScreen = this;
    InitFullScreenDialog(g_app, *this, IDR_COMMAND_MENU);
    const QRect client = ClientRect();
    const CListEntry& computer = g_app.m_computers.at(size_t(g_app.m_selectedComputer));
    m_header = CreateHeaderLabel(g_app, this, client, computer.m_name, IDC_HEADER);
    g_app.m_commandHeader = m_header;

    m_model = new CCommandListModel(this);
    m_list = new CCommandListView(this);
    m_list->setObjectName(QStringLiteral("commandList"));
    SetControlId(m_list, IDC_COMMAND_LIST);
    m_list->setFont(g_app.m_textFont);
    m_list->setModel(m_model);
    m_list->setGeometry(client);
    g_app.m_commandList = m_list;
    g_app.m_skipNextEnter = true;
    connect(m_list, &CRowListView::RowActivated, this, &CCommandScreen::ActivateRow);

    for (const QKeySequence& back :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::ALT | Qt::Key_Left)}) {
        auto* shortcut = new QShortcut(back, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] { OnCommand(IDM_BACK); });
    }

    m_list->setCurrentIndex(m_model->index(0, 0));
    setFocusProxy(m_list);
    m_list->show();
    m_list->setFocus();
    OnSize(client);
}

void CCommandScreen::OnSize(const QRect& client) {
    if (!m_list) return;
    PlaceHeaderLabel(g_app, m_header, client);
    const int h = g_app.m_headerHeight;
    m_list->setGeometry(client.left(), client.top() + h, client.width(), client.height() - h);
}

void CCommandScreen::OnCommand(int id) {
    OnCommandScreenCommand(g_app, this, id);
}

void CCommandScreen::reject() {
    OnCommand(IDCANCEL_COMMAND);
}

void CCommandScreen::ActivateRow(int row) {
    if (m_flashing) return;
    const QScopedValueRollback flashing(m_flashing, true);
    bool held = false;
    FlashRow(m_list, row, [this, &held](std::chrono::milliseconds time) {
        // The event loop turns, but input reaches only the Back soft key (the right one) and the
        // Back keys.
        std::vector<QPointer<QWidget>> back;
        if (const CSoftKeyBar* bar = SoftKeyBar(); bar && bar->ButtonCount() > 0)
            back.emplace_back(bar->Button(bar->ButtonCount() - 1));
        const CInputGate gate(this, std::move(back));
        QEventLoop loop;
        QTimer::singleShot(time, &loop, [&loop] { loop.exit(1); });
        connect(this, &CPage::finished, &loop, [&loop] { loop.exit(0); });
        // Cut short when the screen ends (Back, a lost computer) or the application quits.
        held = loop.exec() == 1;
    });
    if (held) SendCommand(this, row);
}

void CCommandScreen::OnComputerLost() {
    g_app.m_messageBoxes->ShowInformation(this, QStringLiteral("Computer disconnected."));
    CloseConnection();
    done(0);
}

void CModalCommandScreen::RunCommandScreen() {
    CCommandScreen screen;
    m_screen = &screen;
    RunDialog(IDD_COMMAND_SCREEN, g_app.m_mainWindow, screen);
    m_screen = nullptr;
}

void CModalCommandScreen::OnComputerLost() {
    if (m_screen) m_screen->OnComputerLost();
}
