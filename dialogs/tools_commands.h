#pragma once

// What a command of the Tools menu (or Back) does on the screen that received it.
enum class ToolsAction { None, Close, Options, About, Help, Back, Feedback, CheckForUpdates };

enum class ToolsScreen { MainWindow, CommandScreen };

ToolsAction ToolsActionFor(ToolsScreen screen, int commandId);
