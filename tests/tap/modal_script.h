#pragma once

#include "ui/page.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

// Acts on modal pages from inside their own event loops: each step, in turn, runs (from a timer
// of its own, so it may open further pages) once a page of its class is the page in front.
// A page left 30 s with no step run is ended and the script marked timed out: no test hangs.
class CModalScript : public QObject {
public:
    CModalScript() {
        connect(&m_poll, &QTimer::timeout, this, &CModalScript::Poll);
        m_poll.start(10);
    }

    template <class T>
    void When(std::function<void(T&)> action) {
        m_steps.push_back({[](QWidget* w) { return qobject_cast<T*>(w) && w->isVisible(); },
                           [action](QWidget* w) { action(*qobject_cast<T*>(w)); }});
    }

    size_t StepsRun() const { return m_next; }
    size_t Steps() const { return m_steps.size(); }
    bool TimedOut() const { return m_timedOut; }

private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> run;
    };

    void Poll() {
        QWidget* active = FrontPage();
        if (active != m_lastActive) {
            m_lastActive = active;
            m_deadline.setRemainingTime(kLimitMs);
        }
        if (!active) return;
        if (m_next < m_steps.size() && m_steps[m_next].matches(active)) {
            const size_t step = m_next++;
            m_deadline.setRemainingTime(kLimitMs);
            QPointer<QWidget> target = active;
            QTimer::singleShot(0, this, [this, step, target] {
                if (target) m_steps[step].run(target);
            });
            return;
        }
        if (m_deadline.hasExpired()) {
            m_timedOut = true;
            if (auto* page = qobject_cast<CPage*>(active)) page->done(0);
        }
    }

    static constexpr int kLimitMs = 30000;
    QTimer m_poll;
    QPointer<QWidget> m_lastActive;
    QDeadlineTimer m_deadline{kLimitMs};
    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_timedOut = false;
};
