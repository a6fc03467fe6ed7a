#pragma once

#include "common/page_driver.h"
#include "connection/command_list_view.h"
#include "connection/command_screen.h"
#include "connection/password_dialog.h"
#include "resources/resource_ids.h"
#include "ui/page.h"

#include <QDeadlineTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

// Acts on modal pages from inside their own event loops: each step, in turn, runs (from a timer
// of its own, so it may open further pages) once a visible page of its class is in front.
// A page left in front 30 s with no step run is ended and the script marked timed out.
class CModalScript : public QObject {
public:
    CModalScript() {
        connect(&m_poll, &QTimer::timeout, this, &CModalScript::Poll);
        m_poll.start(10);
    }

    template <class T>
    void When(std::function<void(T&)> action) {
        m_steps.push_back([action](CPage* front) {
            T* page = qobject_cast<T*>(front);
            if (!page || !page->isVisible()) return false;
            QTimer::singleShot(0, page, [action, page] { action(*page); });
            return true;
        });
    }

    // Every step ran and no page was left waiting.
    bool Done() const { return !m_timedOut && m_next == m_steps.size(); }

private:
    void Poll() {
        CPage* front = FrontPage();
        if (!front || (m_next < m_steps.size() && m_steps[m_next](front))) {
            if (front) ++m_next;
            m_deadline.setRemainingTime(30000);
        } else if (m_deadline.hasExpired()) {
            m_timedOut = true;
            front->done(0);
        }
    }

    QTimer m_poll;
    QDeadlineTimer m_deadline{30000};
    std::vector<std::function<bool(CPage*)>> m_steps;
    size_t m_next = 0;
    bool m_timedOut = false;
};

inline QLineEdit* PasswordEdit(CPage& page) {
    return page.ControlAs<QLineEdit>(IDC_PASSWORD_EDIT);
}
inline CCommandListView* CommandList(CPage& screen) {
    return screen.findChild<CCommandListView*>(QStringLiteral("commandList"));
}
inline void TypePasswordAndLogin(CPage& page, const QString& password) {
    QTest::keyClicks(PasswordEdit(page), password);
    ClickSoftKey(page, 0);
}
// A step that types password and presses Login.
inline std::function<void(CPasswordDialog&)> LogInWith(const QString& password) {
    return [password](CPasswordDialog& page) { TypePasswordAndLogin(page, password); };
}
