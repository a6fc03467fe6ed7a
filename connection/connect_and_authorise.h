#pragma once

#include "connection/protocol.h"

#include <QString>

class CCommandScreenRunner;
class CPasswordPage;
class QWidget;

// Connects to the computer at g_app.m_selectedComputer, proves the password hash and, once the
// computer accepts it, keeps the connection alive while the command screen runs. Runs on the GUI
// thread with the wait cursor; while it waits for the network the event loop turns (see
// CLoginAttempt). Returns after the command screen has closed again. Its outcome is what it shows
// and whether it ends the password page. Does nothing while another login is under way.
void ConnectAndAuthorise(CPasswordPage& page, const QString& hash,
                         CCommandScreenRunner& commandScreen, const CConnectionLimits& limits = {});

// Gives up the login that is waiting for the network, if any: its socket is closed, nothing is
// shown, and its password page ends (result 0) as after Cancel, all as soon as the waiting call
// regains control, before any further event is handled. GUI thread. Returns whether a login was
// under way. The application quitting (QCoreApplication::exit) gives it up the same way.
bool AbortLogin();

// Sends the command of a row (0 to 4) and confirms it in a box owned by commandScreen. Nothing
// is received; a failed send shows nothing and leaves the connection to the keep-alive.
void SendCommand(QWidget* commandScreen, int row);

// Ends the open connection, if any: the keep-alive stops and the socket is closed. GUI thread;
// the command screen calls it for Back and for the loss, the shutdown calls it last.
void CloseConnection();

// Whether an authorised connection is open.
bool IsConnected();
