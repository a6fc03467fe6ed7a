#pragma once

// Command ids of the Tools menu, the soft keys and the Options button, as the menus and the
// menu-bar records send them.
enum CommandId : int {
    IDC_OK = 1,
    IDC_CANCEL = 2,
    IDC_DELETE_SAVED_PASSWORDS = 1001,
    IDC_TOOLS_CLOSE = 32771,
    IDC_TOOLS_OPTIONS = 32777,
    IDC_TOOLS_ABOUT = 32778,
    IDC_TOOLS_HELP = 32779,
    IDC_BACK = 32782,
    IDC_OPTIONS_SAVE = 32784,
    IDC_TOOLS_FEEDBACK = 32786,
    IDC_TOOLS_CHECK_FOR_UPDATES = 32787,
};
