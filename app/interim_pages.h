#pragma once

#include <QString>

class QWidget;

// Pages that stand in until their own issues land: they look like the real ones but do no
// work. The password page neither connects nor remembers anything; Login and Cancel close it.
void RunInterimPasswordPage(QWidget* owner, const QString& computerName);
void RunInterimHelpPage(QWidget* owner);
