#include "ui/page.h"

#include "app/app.h"
#include "resources/bitmaps.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"
#include "ui/control_id.h"
#include "ui/soft_key_bar.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

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
        case CControlKind::CheckBox:
            return new QCheckBox(control.text, page);
    }
    return nullptr;
}

}  // namespace

CPage::CPage(QWidget* owner) : QDialog(owner) {}

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
    QDialog::done(result);
}

void CPage::OnSize(const QRect&) {}

void CPage::resizeEvent(QResizeEvent* event) {
    // The bar has already followed the page (its event filter runs first), so ClientRect is the
    // new one.
    QDialog::resizeEvent(event);
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

int RunDialog(int templateId, QWidget* owner, CPage& page) {
    const CDialogTemplate* dialog = FindDialogTemplate(templateId);
    if (!dialog) return -1;
    if (page.parentWidget() != owner) page.setParent(owner, page.windowFlags());
    page.m_ended = false;
    page.BuildFromTemplate(*dialog);
    page.OnInitDialog();
    if (page.m_ended) return page.result();
    return page.exec();
}

bool InitFullScreenDialog(CApp& app, CPage& page, int recordId) {
    page.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    QRect area;
    if (app.m_mainWindow) {
        area = QRect(app.m_mainWindow->mapToGlobal(QPoint(0, 0)), app.m_mainWindow->size());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    page.setGeometry(area);
    CSoftKeyBar* bar = CSoftKeyBar::Create(recordId, &page);
    if (!bar) return false;
    QObject::connect(bar, &CSoftKeyBar::Command, &page, [&page](int id) { page.OnCommand(id); });
    return true;
}
