#include "dialogs/main_window_command.h"

#include "dialogs/tools_command.h"

int OnMainWindowCommand(CApp& app, QWidget* window, int id) {
    RunToolsCommand(app, window, id);
    return 0;
}
