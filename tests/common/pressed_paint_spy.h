#pragma once

#include "app/app.h"

#include <QEvent>
#include <QObject>

// Watches a list's viewport: whether a paint ran while the row was flagged pressed.
class CPressedPaintSpy : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && g_app.m_rowPressed) m_sawPressedPaint = true;
        return false;
    }
    bool m_sawPressedPaint = false;
};
