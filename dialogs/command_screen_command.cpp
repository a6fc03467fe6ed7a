#include "dialogs/command_screen_command.h"

#include "connection/connect_and_authorise.h"
#include "dialogs/tools_command.h"
#include "platform/cursor.h"
#include "resources/resource_ids.h"
#include "ui/page.h"

int OnCommandScreenCommand(CApp&, CPage* screen, int id) {
    if (id == IDM_BACK) {
        // Closing waits for the keep-alive thread to notice, up to a moment.
        platform::SetWaitCursor(true);
        CloseConnection();
        platform::SetWaitCursor(false);
        screen->done(0);
        return 0;
    }
    RunToolsCommand(screen, id);
    return 0;
}
