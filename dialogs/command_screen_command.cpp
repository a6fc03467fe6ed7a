#include "dialogs/command_screen_command.h"

#include "connection/connect_and_authorise.h"
#include "platform/cursor.h"
#include "resources/resource_ids.h"
#include "ui/page.h"

int OnCommandScreenCommand(CApp&, CPage* screen, int id) {
    switch (id) {
        case IDM_BACK:
            platform::SetWaitCursor(true);
            CloseConnection();
            platform::SetWaitCursor(false);
            screen->done(0);
            break;
        default:
            break;
    }
    return 0;
}
