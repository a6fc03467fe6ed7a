#include "dialogs/tools_commands.h"

#include "dialogs/command_ids.h"

ToolsAction ToolsActionFor(ToolsScreen screen, int commandId) {
    switch (commandId) {
        case IDC_TOOLS_CLOSE:
            return ToolsAction::Close;
        case IDC_TOOLS_OPTIONS:
            return ToolsAction::Options;
        case IDC_TOOLS_ABOUT:
            return ToolsAction::About;
        case IDC_TOOLS_HELP:
            return ToolsAction::Help;
        case IDC_BACK:
            // The main window has no Back soft key; only the command screen is left by it.
            return screen == ToolsScreen::CommandScreen ? ToolsAction::Back : ToolsAction::None;
        case IDC_TOOLS_FEEDBACK:
            return ToolsAction::Feedback;
        case IDC_TOOLS_CHECK_FOR_UPDATES:
            // The command screen's menu offers it too, and there the check runs, owned by it.
            return ToolsAction::CheckForUpdates;
        default:
            return ToolsAction::None;
    }
}
