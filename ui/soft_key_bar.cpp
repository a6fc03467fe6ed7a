#include "ui/soft_key_bar.h"

#include "app/app.h"
#include "app/screen_metrics.h"
#include "resources/menu_bar_records.h"
#include "resources/menus.h"
#include "resources/string_table.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

namespace {

QColor Scaled(const QColor& c, double f) {
    return QColor(int(c.red() * f), int(c.green() * f), int(c.blue() * f));
}

QMenu* BuildPopup(const CMenuPopup& popup, CSoftKeyBar* bar) {
    auto* menu = new QMenu(popup.text, bar);
    menu->setObjectName(QStringLiteral("softKeyMenu"));
    menu->setFont(g_app.m_textFont);
    for (const CMenuItem& item : popup.items) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.text);
        action->setData(item.id);
        QObject::connect(action, &QAction::triggered, bar,
                         [bar, id = item.id] { emit bar->Command(id); });
    }
    return menu;
}

}  // namespace

CSoftKeyBar::CSoftKeyBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("softKeyBar"));
    parent->installEventFilter(this);
}

CSoftKeyBar* CSoftKeyBar::Create(int recordId, QWidget* parent) {
    const std::optional<CMenuBarRecord> record = LoadMenuBarRecord(recordId);
    if (!record || !parent) return nullptr;
    const CMenuResource* menus = FindMenuResource(record->menuId);

    auto* bar = new CSoftKeyBar(parent);
    for (const CSoftKeyButton& key : record->buttons) {
        auto* button = new QToolButton(bar);
        button->setObjectName(QStringLiteral("softKey%1").arg(bar->m_buttons.size()));
        button->setText(LoadResourceString(key.labelString));
        button->setFont(g_app.m_textFont);
        button->setEnabled(key.state & kButtonEnabled);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(QStringLiteral(
            "QToolButton { color: white; background: transparent; border: none; }"
            "QToolButton:pressed, QToolButton:open { background: rgba(255, 255, 255, 48); }"
            "QToolButton::menu-indicator { image: none; width: 0; }"));
        const bool hasPopup =
            menus && key.popupIndex >= 0 && key.popupIndex < int(menus->popups.size());
        if (hasPopup) {
            button->setMenu(BuildPopup(menus->popups[size_t(key.popupIndex)], bar));
            button->setPopupMode(QToolButton::InstantPopup);
        } else {
            connect(button, &QToolButton::clicked, bar,
                    [bar, id = key.command] { emit bar->Command(id); });
        }
        bar->m_buttons.push_back(button);
    }
    bar->FollowParent();
    bar->show();
    return bar;
}

int CSoftKeyBar::Height() {
    return ScaleLogical(26, g_app.m_logPixelsY);
}

QMenu* CSoftKeyBar::Menu(int index) const {
    return m_buttons[size_t(index)]->menu();
}

bool CSoftKeyBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) FollowParent();
    return QWidget::eventFilter(watched, event);
}

void CSoftKeyBar::FollowParent() {
    const QWidget* parent = parentWidget();
    setGeometry(0, parent->height() - Height(), parent->width(), Height());
    raise();
}

void CSoftKeyBar::resizeEvent(QResizeEvent*) {
    const int half = width() / 2;
    for (size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(
            int(i) * half, 0, i + 1 == m_buttons.size() && i > 0 ? width() - half : half, height());
}

void CSoftKeyBar::paintEvent(QPaintEvent*) {
    // The same hue as the header bands, a shade darker, so every screen reads as one set.
    const QColor caption = palette().color(QPalette::Active, QPalette::Highlight);
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, Scaled(caption, 0.5));
    gradient.setColorAt(1, Scaled(caption, 0.3));
    painter.fillRect(rect(), gradient);
    painter.setPen(Scaled(caption, 0.75));
    painter.drawLine(0, 0, width(), 0);
    if (m_buttons.size() > 1) {
        painter.setPen(Scaled(caption, 0.2));
        const int x = width() / 2;
        painter.drawLine(x, height() / 5, x, height() - height() / 5);
    }
}
