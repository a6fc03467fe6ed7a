#pragma once

class CApp;
class QWidget;

// Every command of the main window's soft keys and Tools menu, by command id. Returns 0.
int OnMainWindowCommand(CApp& app, QWidget* window, int id);
