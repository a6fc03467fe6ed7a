#pragma once

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

// Whether done() comes to hold within limitMs, handling events meanwhile; a wait that never ends
// fails the test instead of hanging it.
inline bool Eventually(const std::function<bool()>& done, int limitMs = 20000) {
    const QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}
