#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A soft-key menu-bar record as stored: 16-bit words, the id of the menu resource that holds the
// bar's popups, the number of buttons, then seven words per button, left to right: image
// (65534 = none), command id, state (4 = enabled), style (16 = sized to its label, 24 = the
// same with a drop-down), string id of the label, 0, popup index in the menu (65535 = none).
constexpr uint16_t kNoImage = 65534;
constexpr uint16_t kNoPopup = 65535;
constexpr uint16_t kButtonEnabled = 4;

struct CSoftKeyButton {
    int image;
    int command;
    int state;
    int style;
    int labelString;
    int popupIndex;  // -1 when the button opens no popup
};

struct CMenuBarRecord {
    int menuId;
    std::vector<CSoftKeyButton> buttons;
};

// The stored words of the record with this id; empty when the resources hold none.
std::span<const uint16_t> FindMenuBarRecordWords(int id);

// Reads a record; nullopt when the words are too few for the buttons they announce.
std::optional<CMenuBarRecord> ParseMenuBarRecord(std::span<const uint16_t> words);

// FindMenuBarRecordWords and ParseMenuBarRecord together.
std::optional<CMenuBarRecord> LoadMenuBarRecord(int id);
