#pragma once

#include "connection/connection_screens.h"
#include "ui/page.h"

class CCommandListModel;
class CCommandListView;
class CHeaderLabel;

// The screen of an open, authorised connection: the computer's name as its header and the five
// commands, each sent by a tap or by Enter. Tools and Back soft keys; Back ends the connection.
class CCommandScreen : public CPage {
    Q_OBJECT
public:
    explicit CCommandScreen(QWidget* owner = nullptr);

    void OnCommand(int id) override;
    // The computer stopped answering: "Computer disconnected.", then the connection closes and
    // the screen ends.
    void OnComputerLost();
    // The window's close button goes the way of command 2, which only the command table may act
    // on; the screen is left by Back, whose keys are Escape and Alt+Left too.
    void reject() override;

    // A row was tapped or chosen with Enter: the row shows pressed, then its command goes out.
    // While it shows pressed only Back is heard, and Back then wins: nothing is sent.
    void ActivateRow(int row);

protected:
    void OnInitDialog() override;
    void OnSize(const QRect& client) override;

private:
    CHeaderLabel* m_header = nullptr;
    CCommandListView* m_list = nullptr;
    CCommandListModel* m_model = nullptr;
    bool m_flashing = false;
};

// Runs the command screen for ConnectAndAuthorise, modally over the main window, and hands the
// loss of the connection to the screen that is open.
class CModalCommandScreen : public CCommandScreenRunner {
public:
    void RunCommandScreen() override;
    void OnComputerLost() override;

private:
    CCommandScreen* m_screen = nullptr;
};
