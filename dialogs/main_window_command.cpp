#include "dialogs/main_window_command.h"

#include "resources/resource_ids.h"

#include <QApplication>

int OnMainWindowCommand(CApp&, QWidget*, int id) {
    switch (id) {
        case IDM_CLOSE:
            QApplication::exit(0);
            break;
        default:
            break;
    }
    return 0;
}
