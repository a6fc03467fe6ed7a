#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

// While it lives, user input (mouse, keys, wheel, touch, context menus) addressed to a widget in
// scope (every widget when scope is null) is dropped unless the widget is one of allowed or
// inside one of them. Widgets of other windows than scope's stay usable, and so do requests of
// the window system such as closing a window, and shortcuts, which reach their QShortcut objects
// rather than widgets. For screens that keep the event loop turning while they wait.
class CInputGate : public QObject {
public:
    CInputGate(QWidget* scope, std::vector<QPointer<QWidget>> allowed);
    ~CInputGate() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Blocks(const QWidget* widget) const;

    QPointer<QWidget> m_scope;
    const bool m_everywhere;
    std::vector<QPointer<QWidget>> m_allowed;
};
