#pragma once

// The program's start-up, message loop and orderly shutdown; main() calls it once the
// QApplication exists. Returns the exit code.
int RunDormo();

// Ends the program through the orderly shutdown, from any moment on the GUI thread: every page,
// message box and nested loop ends, then the main loop, and RunDormo shuts down and returns 0.
// Closing the main window, the Tools menu's Close and SIGTERM, SIGINT or SIGHUP come here.
void RequestShutdown();

// Ends every thread that can reach g_app and closes what is open, in order: the browse restart
// thread, the discovery engine, the connection socket, the keep-alive. Safe to call twice.
void ShutDown();
