#pragma once

#include <QString>

class QWidget;

// The base URL of the download server: the product key's REG_SZ value UpdateServer when set,
// else the build's default. No trailing slash.
QString UpdateServer();

// Fetches the version file, compares it with kDormoVersion and tells the user. On a newer
// version accepted with OK it opens the package in the browser and ends the program.
void CheckForUpdates(QWidget* owner);
