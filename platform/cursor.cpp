#include "platform/cursor.h"

#include <QApplication>
#include <QCursor>

namespace platform {

void SetWaitCursor(bool on) {
    if (on) {
        if (!QApplication::overrideCursor()) QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

}  // namespace platform
