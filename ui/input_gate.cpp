#include "ui/input_gate.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu: return true;
        default: return false;
    }
}

bool Within(const QWidget* outer, const QWidget* widget) {
    return outer && (outer == widget || outer->isAncestorOf(widget));
}

}  // namespace

CInputGate::CInputGate(QWidget* scope, std::vector<QPointer<QWidget>> allowed)
    : m_scope(scope), m_everywhere(scope == nullptr), m_allowed(std::move(allowed)) {
    QCoreApplication::instance()->installEventFilter(this);
}

CInputGate::~CInputGate() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool CInputGate::Blocks(const QWidget* widget) const {
    if (!m_everywhere && !Within(m_scope, widget)) return false;
    for (const QPointer<QWidget>& allowed : m_allowed)
        if (Within(allowed, widget)) return false;
    return true;
}

bool CInputGate::eventFilter(QObject* watched, QEvent* event) {
    // Events to windows are handed on to their widgets, and judged there.
    if (!IsUserInput(event->type()) || !watched->isWidgetType()) return false;
    return Blocks(static_cast<const QWidget*>(watched));
}
