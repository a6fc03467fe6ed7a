#pragma once

class QWidget;

// The Tools menu's commands, the same on the main window and the command screen: Options,
// Help, About, Feedback and Check for Updates open over owner; Close ends the event loops with
// code 0, closing nothing first (the shutdown after the loop does that).
void RunToolsCommand(QWidget* owner, int id);
