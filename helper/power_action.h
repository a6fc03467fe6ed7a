#pragma once

#include <QByteArray>
#include <QStringList>

// The systemd call that carries out a command word ("Dormo" powers off), or empty for a word
// that is not a command.
QStringList PowerActionFor(const QByteArray& word);

// Starts the call without waiting for it; false when it could not be started.
bool RunPowerAction(const QStringList& argv);
