#include "dialogs/main_window_command.h"

#include "dialogs/add_computer_page.h"
#include "dialogs/tools_command.h"
#include "resources/resource_ids.h"

int OnMainWindowCommand(CApp&, QWidget* window, int id) {
    if (id == IDM_ADD_COMPUTER)
        RunAddComputerPage(window);
    else
        RunToolsCommand(window, id);
    return 0;
}
