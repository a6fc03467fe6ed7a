#pragma once

#include "ui/page.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <functional>

// Drives the modal page a call opens: inside runs in the page's own event loop once it is open
// and must end it. A call that opens no page never runs inside; its timer dies with the call.
// Returns whether a page was open.
inline bool WithOpenPage(const std::function<void()>& call,
                         const std::function<void(CPage&)>& inside) {
    QPointer<CPage> seen;
    bool opened = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        seen = qobject_cast<CPage*>(QApplication::activeModalWidget());
        if (!seen) return;
        opened = true;
        inside(*seen);
        if (seen && seen->isVisible()) seen->done(-2);  // a failed check must not hang the test
    });
    timer.start(0);
    call();
    return opened;
}
