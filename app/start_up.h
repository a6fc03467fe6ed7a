#pragma once

// The program's start-up, message loop and orderly shutdown; main() calls it once the
// QApplication exists. Returns the exit code.
int RunDormo();

// Ends every thread that can reach g_app and closes what is open, in order: the browse restart
// thread, the discovery engine, the connection socket, the keep-alive. Safe to call twice.
void ShutDown();
