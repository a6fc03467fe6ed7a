#pragma once

#include <QString>

// "Version " and the program's version.
QString AboutVersionLine();

// "Built on " with the compiler's stamps, e.g. "Jul  6 2009" and "15:00:20".
QString AboutBuildLine(const char* date, const char* time);
// The same for this build.
QString AboutBuildLine();

// The six lines of the First run notice, joined by line feeds.
QString FirstRunNotice();
