#pragma once

#include <QString>

class QWidget;

// A page that stands in until its own issue lands: the Help page shows the help text.
void RunInterimHelpPage(QWidget* owner);
