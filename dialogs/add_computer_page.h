#pragma once

class QWidget;

// "Add Computer..." of the main window's Tools menu: a page with the computer's name, address
// and port (4660 to begin with). Add (or Enter) checks them, looking a host name up for a few
// seconds at most; a refusal says why in a message box and leaves the page open on the field at
// fault; a computer that passes is stored and listed, and the page ends. Cancel adds nothing.
void RunAddComputerPage(QWidget* owner);
