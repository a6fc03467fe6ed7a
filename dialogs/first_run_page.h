#pragma once

class QWidget;

// The First run notice. Only its "OK" soft key ends it; with "Don't show again" ticked it is
// not shown at later start-ups.
void RunFirstRunPage(QWidget* owner);
