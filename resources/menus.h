#pragma once

#include <QString>

#include <vector>

// A menu resource: drop-down popups, then plain items. An item with command id 0 is a separator.
struct CMenuItem {
    int id;
    QString text;
};

struct CMenuPopup {
    QString text;
    std::vector<CMenuItem> items;
};

struct CMenuResource {
    std::vector<CMenuPopup> popups;
    std::vector<CMenuItem> items;
};

// The menu resource with this id, or nullptr when the resources hold none.
const CMenuResource* FindMenuResource(int id);
