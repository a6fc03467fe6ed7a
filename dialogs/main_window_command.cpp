#include "dialogs/main_window_command.h"

#include "app/interim_pages.h"
#include "dialogs/tools_commands.h"

#include <QApplication>

int OnMainWindowCommand(CApp&, QWidget* window, int id) {
    switch (ToolsActionFor(ToolsScreen::MainWindow, id)) {
        case ToolsAction::Close:
            QApplication::exit(0);
            break;
        case ToolsAction::Help:
            RunInterimHelpPage(window);
            break;
        default:
            break;
    }
    return 0;
}
