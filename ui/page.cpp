#include "ui/page.h"

#include "app/app.h"
#include "resources/bitmaps.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"
#include "ui/control_id.h"
#include "ui/soft_key_bar.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

QWidget* CreateControl(const CControlTemplate& control, CPage* page) {
    switch (control.kind) {
        case CControlKind::Static: {
            auto* label = new QLabel(control.text, page);
            label->setWordWrap(true);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment((control.flags & kCtlCentred) ? Qt::AlignHCenter | Qt::AlignTop
                                                              : Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case CControlKind::Icon: {
            auto* label = new QLabel(page);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case CControlKind::Edit: {
            auto* edit = new QLineEdit(control.text, page);
            if (control.flags & kCtlPassword) edit->setEchoMode(QLineEdit::Password);
            edit->setFrame(control.flags & kCtlBorder);
            return edit;
        }
        case CControlKind::MultiLineEdit: {
            auto* edit = new QPlainTextEdit(control.text, page);
            edit->setReadOnly(control.flags & kCtlReadOnly);
            edit->setVerticalScrollBarPolicy(
                (control.flags & kCtlVScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
            if (!(control.flags & kCtlBorder)) edit->setFrameShape(QFrame::NoFrame);
            return edit;
        }
        case CControlKind::PushButton: {
            auto* button = new QPushButton(control.text, page);
            button->setAutoDefault(false);
            QObject::connect(button, &QPushButton::clicked, page,
                             [page, id = control.id] { page->OnCommand(id); });
            return button;
        }
        case CControlKind::CheckBox: return new QCheckBox(control.text, page);
    }
    return nullptr;
}

// The pages that run, in the order they opened.
std::vector<QPointer<CPage>>& RunningPages() {
    static std::vector<QPointer<CPage>> pages;
    return pages;
}

}  // namespace

CPage::CPage(QWidget* owner) : QWidget(owner) {
    setAutoFillBackground(true);
}

CPage::~CPage() {
    if (m_running) done(kRejected);
}

QWidget* CPage::Control(int id) const {
    return FindControl(this, id);
}

CSoftKeyBar* CPage::SoftKeyBar() const {
    return findChild<CSoftKeyBar*>(QString(), Qt::FindDirectChildrenOnly);
}

QRect CPage::ClientRect() const {
    QRect client = rect();
    if (const CSoftKeyBar* bar = SoftKeyBar()) client.setBottom(bar->geometry().top() - 1);
    return client;
}

void CPage::OnCommand(int id) {
    if (id == IDOK_COMMAND) accept();
    if (id == IDCANCEL_COMMAND) reject();
}

void CPage::done(int result) {
    m_ended = true;
    m_result = result;
    if (m_running) {
        m_running = false;
        Uncover();
    }
    hide();
    if (m_loop) m_loop->exit(result);
    emit finished(result);
}

void CPage::OnSize(const QRect&) {}

void CPage::closeEvent(QCloseEvent* event) {
    if (!isVisible()) {
        event->accept();
        return;
    }
    const QPointer<CPage> self = this;
    reject();
    if (self && isVisible()) event->ignore();
}

bool CPage::eventFilter(QObject* watched, QEvent* event) {
    if (m_fillsHost && watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void CPage::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        reject();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CPage::resizeEvent(QResizeEvent* event) {
    // The bar has already followed the page (its event filter runs first), so ClientRect is the
    // new one.
    QWidget::resizeEvent(event);
    OnSize(ClientRect());
}

void CPage::BuildFromTemplate(const CDialogTemplate& dialog) {
    m_templateId = dialog.id;
    const QFont font = DialogFont(dialog, g_app.m_logPixelsY);
    setFont(font);
    const QSize base = DialogBaseUnits(font);
    resize(DialogUnitsToPixels(QRect(QPoint(0, 0), dialog.size), base).size());
    for (const CControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(control, this);
        widget->setObjectName(control.name);
        SetControlId(widget, control.id);
        widget->setGeometry(DialogUnitsToPixels(control.place, base));
        widget->setFocusPolicy((control.flags & kCtlTabStop) || control.kind == CControlKind::Edit
                                   ? Qt::StrongFocus
                                   : widget->focusPolicy());
        if (control.kind == CControlKind::Icon)
            static_cast<QLabel*>(widget)->setPixmap(AppIcon().pixmap(widget->size()));
    }
}

int CPage::Exec() {
    m_running = true;
    m_result = kRejected;
    RunningPages().push_back(this);
    Cover();
    QWidget* focus = focusWidget();
    show();
    raise();
    if (isWindow()) activateWindow();
    if (focus && isAncestorOf(focus)) {
        focus->setFocus(Qt::OtherFocusReason);
    } else {
        setFocus(Qt::OtherFocusReason);
    }
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    // The loop also ends when every loop of the application is told to end.
    if (m_running) done(kRejected);
    return m_result;
}

void CPage::Cover() {
    m_covered.clear();
    m_focusBefore = QApplication::focusWidget();
    QWidget* host = isWindow() ? nullptr : parentWidget();
    if (!host) return;
    for (QObject* child : host->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget == this || widget->isWindow() || widget->isHidden()) continue;
        widget->hide();
        m_covered.emplace_back(widget);
    }
}

void CPage::Uncover() {
    std::vector<QPointer<CPage>>& pages = RunningPages();
    const auto self = std::find(pages.begin(), pages.end(), this);
    // A page ended under a page that still runs hands what it covered to that page.
    for (auto above = self == pages.end() ? pages.end() : self + 1; above != pages.end(); ++above) {
        std::vector<QPointer<QWidget>>& covered = (*above)->m_covered;
        const auto me = std::find(covered.begin(), covered.end(), this);
        if (me == covered.end()) continue;
        covered.erase(me);
        covered.insert(covered.end(), m_covered.begin(), m_covered.end());
        if (!(*above)->m_focusBefore || isAncestorOf((*above)->m_focusBefore))
            (*above)->m_focusBefore = m_focusBefore;
        m_covered.clear();
        break;
    }
    if (self != pages.end()) pages.erase(self);
    for (const QPointer<QWidget>& widget : m_covered) {
        const auto* page = qobject_cast<const CPage*>(widget.data());
        if (widget && (!page || page->IsRunning())) widget->show();
    }
    m_covered.clear();
    if (m_focusBefore && m_focusBefore->isVisible()) m_focusBefore->setFocus(Qt::OtherFocusReason);
    m_focusBefore = nullptr;
}

CPage* FrontPage() {
    std::vector<QPointer<CPage>>& pages = RunningPages();
    pages.erase(std::remove(pages.begin(), pages.end(), nullptr), pages.end());
    return pages.empty() ? nullptr : pages.back().data();
}

int RunDialog(int templateId, QWidget* owner, CPage& page) {
    const CDialogTemplate* dialog = FindDialogTemplate(templateId);
    if (!dialog) return -1;
    QWidget* host = owner ? owner->window() : g_app.m_mainWindow.data();
    if (host == &page) host = nullptr;
    if (page.parentWidget() != host || page.isWindow() != (host == nullptr))
        page.setParent(host, host ? Qt::Widget : Qt::Window);
    page.m_ended = false;
    page.BuildFromTemplate(*dialog);
    page.OnInitDialog();
    if (page.m_ended) return page.result();
    return page.Exec();
}

bool InitFullScreenDialog(CApp&, CPage& page, int recordId) {
    if (QWidget* host = page.isWindow() ? nullptr : page.parentWidget()) {
        page.setGeometry(host->rect());
        if (!page.m_fillsHost) host->installEventFilter(&page);
        page.m_fillsHost = true;
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        page.setGeometry(screen->availableGeometry());
    }
    CSoftKeyBar* bar = CSoftKeyBar::Create(recordId, &page);
    if (!bar) return false;
    QObject::connect(bar, &CSoftKeyBar::Command, &page, [&page](int id) { page.OnCommand(id); });
    return true;
}
