#include "resources/string_table.h"

#include "resources/resource_ids.h"

QString LoadResourceString(int id) {
    switch (id) {
        case IDS_TITLE: return QStringLiteral("Dormo");
        case IDS_TOOLS: return QStringLiteral("Tools");
        case IDS_BACK: return QStringLiteral("Back");
        case IDS_CLOSE: return QStringLiteral("Close");
        case IDS_CANCEL: return QStringLiteral("Cancel");
        case IDS_LOGIN: return QStringLiteral("Login");
        case IDS_OK: return QStringLiteral("OK");
        case IDS_SAVE: return QStringLiteral("Save");
        case IDS_ADD: return QStringLiteral("Add");
        default: return {};
    }
}
