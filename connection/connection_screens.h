#pragma once

class QWidget;

// What the connection needs of the password dialog.
class CPasswordPage {
public:
    virtual ~CPasswordPage() = default;
    // Owner of the message boxes about this attempt.
    virtual QWidget* Widget() = 0;
    // Empties the password edit after a refusal.
    virtual void ClearEdit() = 0;
    // Ends the dialog with result 0.
    virtual void End() = 0;
};

// What the connection needs of the command screen.
class CCommandScreenRunner {
public:
    virtual ~CCommandScreenRunner() = default;
    // Opens the command screen modally; returns once it has ended.
    virtual void RunCommandScreen() = 0;
    // The computer stopped answering. Called on the GUI thread while the screen runs, only for
    // the connection still open; tells the user, calls CloseConnection() and ends the screen.
    virtual void OnComputerLost() = 0;
};
