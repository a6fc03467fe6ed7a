#include "resources/menus.h"

#include "resources/resource_ids.h"

namespace {

// The main window's Tools menu begins with "Add Computer...", the command screen's does not.
CMenuPopup ToolsPopup(bool mainWindow) {
    CMenuPopup tools{QStringLiteral("Tools"),
                     {{IDM_OPTIONS, QStringLiteral("Options...")},
                      {0, {}},
                      {IDM_HELP, QStringLiteral("Help")},
                      {IDM_ABOUT, QStringLiteral("About...")},
                      {IDM_FEEDBACK, QStringLiteral("Feedback...")},
                      {IDM_CHECK_UPDATES, QStringLiteral("Check for Updates...")},
                      {0, {}},
                      {IDM_CLOSE, QStringLiteral("Close")}}};
    if (mainWindow)
        tools.items.insert(tools.items.begin(),
                           {IDM_ADD_COMPUTER, QStringLiteral("Add Computer...")});
    return tools;
}

}  // namespace

const CMenuResource* FindMenuResource(int id) {
    static const CMenuResource mainMenu{{ToolsPopup(true)}, {}};
    static const CMenuResource commandMenu{{ToolsPopup(false)},
                                           {{IDM_BACK, QStringLiteral("Back")}}};
    switch (id) {
        case IDR_MAIN_MENU: return &mainMenu;
        case IDR_COMMAND_MENU: return &commandMenu;
        default: return nullptr;
    }
}
