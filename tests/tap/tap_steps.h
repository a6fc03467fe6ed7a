#pragma once

#include "connection/command_list_view.h"
#include "connection/command_screen.h"
#include "connection/password_dialog.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/soft_key_bar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

// What the tests do on the pages, as a person would: soft keys, typing, taps and keys.

inline QLineEdit* PasswordEdit(CPage& page) {
    return page.ControlAs<QLineEdit>(IDC_PASSWORD_EDIT);
}

inline QStringList SoftKeys(CPage& page) {
    QStringList keys;
    if (CSoftKeyBar* bar = page.SoftKeyBar())
        for (int i = 0; i < bar->ButtonCount(); ++i) keys << bar->Button(i)->text();
    return keys;
}

inline void ClickSoftKey(CPage& page, int index) {
    QTest::mouseClick(page.SoftKeyBar()->Button(index), Qt::LeftButton);
}

inline QString HeaderText(CPage& page) {
    auto* header = page.findChild<CHeaderLabel*>(QStringLiteral("header"));
    return header ? header->text() : QString();
}

inline CCommandListView* CommandList(CPage& screen) {
    return screen.findChild<CCommandListView*>(QStringLiteral("commandList"));
}

inline void TapRow(QAbstractItemView* list, int row) {
    list->doItemsLayout();
    const QRect r = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

// An Enter key event to the widget that has the keyboard focus, as the window system sends it.
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
