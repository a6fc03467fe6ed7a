#pragma once

class CApp;
class CPage;

// Every command of the command screen's soft keys and Tools menu, by command id: the Tools
// commands with the screen as owner, and Back, which closes the connection and ends the screen
// with result 0. Returns 0.
int OnCommandScreenCommand(CApp& app, CPage* screen, int id);
