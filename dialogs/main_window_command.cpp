#include "dialogs/main_window_command.h"

#include "dialogs/tools_command.h"

int OnMainWindowCommand(CApp&, QWidget* window, int id) {
    RunToolsCommand(window, id);
    return 0;
}
