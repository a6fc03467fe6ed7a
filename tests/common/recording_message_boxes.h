#pragma once

#include "platform/message_box.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <deque>
#include <vector>

// Records every message box instead of showing it, and answers from a queue (IDOK when empty).
class CRecordingMessageBoxes : public platform::CMessageBoxes {
public:
    struct Shown {
        QPointer<QWidget> owner;
        QString text;
        QString caption;
        unsigned flags;
    };

    int Show(QWidget* owner, const QString& text, const QString& caption, unsigned flags) override {
        m_shown.push_back({owner, text, caption, flags});
        if (m_answers.empty()) return platform::IDOK;
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    void Answer(int answer) { m_answers.push_back(answer); }
    const std::vector<Shown>& ShownBoxes() const { return m_shown; }

private:
    std::deque<int> m_answers;
    std::vector<Shown> m_shown;
};
