#pragma once

struct CCommandLine;

// Carries out a command-line action without a window (a QCoreApplication must exist): prints
// what it found on standard output and one line on standard error, and returns the exit code.
// The settings are the window's own file, opened and closed around each change.
int RunCommandLine(const CCommandLine& line);
