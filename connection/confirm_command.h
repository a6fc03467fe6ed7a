#pragma once

class QWidget;

// With ConfirmCommands on, asks "Send <command> to <computer>?" in a box owned by owner; true
// when the answer is Yes or nothing needs asking. The computer is g_app's selected one.
bool ConfirmCommand(QWidget* owner, int row);
