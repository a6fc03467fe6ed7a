#pragma once

#include <QString>

class QWidget;

// A page that stands in until its own issue lands. The password page neither connects nor
// remembers anything; Login and Cancel close it.
void RunInterimPasswordPage(QWidget* owner, const QString& computerName);
