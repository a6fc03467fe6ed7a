#include "resources/menus.h"

#include "resources/resource_ids.h"

namespace {

CMenuPopup ToolsPopup() {
    return {QStringLiteral("Tools"),
            {{IDM_OPTIONS, QStringLiteral("Options...")},
             {0, {}},
             {IDM_HELP, QStringLiteral("Help")},
             {IDM_ABOUT, QStringLiteral("About...")},
             {IDM_FEEDBACK, QStringLiteral("Feedback...")},
             {IDM_CHECK_UPDATES, QStringLiteral("Check for Updates...")},
             {0, {}},
             {IDM_CLOSE, QStringLiteral("Close")}}};
}

}  // namespace

const CMenuResource* FindMenuResource(int id) {
    static const CMenuResource mainMenu{{ToolsPopup()}, {}};
    static const CMenuResource commandMenu{{ToolsPopup()}, {{IDM_BACK, QStringLiteral("Back")}}};
    switch (id) {
        case IDR_MAIN_MENU:
            return &mainMenu;
        case IDR_COMMAND_MENU:
            return &commandMenu;
        default:
            return nullptr;
    }
}
