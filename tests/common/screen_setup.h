#pragma once

#include "app/app.h"

// Puts g_app on a screen of the given resolution and work area for one test, and back after.
class CScreenSetup {
public:
    CScreenSetup(int dpi, int workRight, int workBottom)
        : m_x(g_app.m_logPixelsX), m_y(g_app.m_logPixelsY) {
        g_app.m_logPixelsX = g_app.m_logPixelsY = dpi;
        g_app.ApplyScreen(workRight, workBottom);
    }
    ~CScreenSetup() {
        g_app.m_logPixelsX = m_x;
        g_app.m_logPixelsY = m_y;
    }

private:
    int m_x;
    int m_y;
};
