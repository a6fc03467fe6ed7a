#pragma once

#include "common/page_driver.h"
#include "connection/command_list_view.h"
#include "connection/command_screen.h"
#include "connection/password_dialog.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

inline QLineEdit* PasswordEdit(CPage& page) {
    return page.ControlAs<QLineEdit>(IDC_PASSWORD_EDIT);
}

inline CCommandListView* CommandList(CPage& screen) {
    return screen.findChild<CCommandListView*>(QStringLiteral("commandList"));
}

// Enter as the window system sends it: to the focus widget.
inline void EnterKey(QEvent::Type type, bool autoRepeat = false) {
    QWidget* target = QApplication::focusWidget();
    if (!target) return;
    QKeyEvent event(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), autoRepeat);
    QApplication::sendEvent(target, &event);
}

inline void TypePasswordAndLogin(CPage& page, const QString& password) {
    QTest::keyClicks(PasswordEdit(page), password);
    ClickSoftKey(page, 0);
}
