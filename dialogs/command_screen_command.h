#pragma once

class CApp;
class CPage;

// Every command of the command screen's soft keys and Tools menu, by command id. Returns 0.
int OnCommandScreenCommand(CApp& app, CPage* screen, int id);
