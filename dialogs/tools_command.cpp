#include "dialogs/tools_command.h"

#include "app/app.h"
#include "dialogs/about_page.h"
#include "dialogs/feedback.h"
#include "dialogs/help_page.h"
#include "dialogs/options_page.h"
#include "dialogs/update_check.h"
#include "resources/resource_ids.h"

void RunToolsCommand(QWidget* owner, int id) {
    switch (id) {
        case IDM_CLOSE: RequestShutdown(); break;
        case IDM_OPTIONS: RunOptionsPage(owner); break;
        case IDM_ABOUT: RunAboutPage(owner); break;
        case IDM_HELP: RunHelpPage(owner); break;
        case IDM_FEEDBACK: SendFeedback(owner); break;
        case IDM_CHECK_UPDATES: CheckForUpdates(owner); break;
        default: break;
    }
}
