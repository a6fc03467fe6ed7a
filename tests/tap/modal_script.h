#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

// Acts on modal pages from inside their own event loops. Each step waits until a page of its
// class is the active modal widget and then runs, the steps one after another. A step runs from
// a timer of its own, so it may open further modal pages whose steps still come. A step that is
// not reached within 30 s ends the open pages, so a fault cannot hang the test.
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
        if (m_next >= m_steps.size()) return;
        QWidget* active = QApplication::activeModalWidget();
        if (m_deadline.hasExpired()) {
            m_timedOut = true;
            if (auto* dialog = qobject_cast<QDialog*>(active)) dialog->done(0);
            return;
        }
        if (!active || !m_steps[m_next].matches(active)) return;
        const size_t step = m_next++;
        m_deadline.setRemainingTime(30000);
        QPointer<QWidget> target = active;
        QTimer::singleShot(0, this, [this, step, target] {
            if (target) m_steps[step].run(target);
        });
    }

    QTimer m_poll;
    QDeadlineTimer m_deadline{30000};
    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_timedOut = false;
};
