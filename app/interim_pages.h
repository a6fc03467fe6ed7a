#pragma once

#include <QString>

class QWidget;

// Pages that stand in until their own issues land. The password page neither connects nor
// remembers anything; Login and Cancel close it. The Help page shows the help text.
void RunInterimPasswordPage(QWidget* owner, const QString& computerName);
void RunInterimHelpPage(QWidget* owner);
