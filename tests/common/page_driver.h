#pragma once

#include "ui/header_label.h"
#include "ui/page.h"
#include "ui/soft_key_bar.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

// Runs inside in the event loop of the modal page call opens, then ends the page if still open.
// Returns whether a page opened.
inline bool WithOpenPage(const std::function<void()>& call,
                         const std::function<void(CPage&)>& inside) {
    QPointer<CPage> seen;
    bool opened = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        seen = FrontPage();
        if (!seen) return;
        opened = true;
        inside(*seen);
        if (seen && seen->IsRunning()) seen->done(-2);  // a failed check must not hang the test
    });
    timer.start(0);
    call();
    return opened;
}

inline void ClickSoftKey(CPage& page, int index) {
    QTest::mouseClick(page.SoftKeyBar()->Button(index), Qt::LeftButton);
}

inline QString HeaderText(CPage& page) {
    auto* header = page.findChild<CHeaderLabel*>(QStringLiteral("header"));
    return header ? header->text() : QString();
}

inline void TapRow(QAbstractItemView* list, int row) {
    list->doItemsLayout();
    const QRect r = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}
