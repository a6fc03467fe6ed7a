#include "resources/menu_bar_records.h"

#include "resources/resource_ids.h"

#include <array>

namespace {

// clang-format off
constexpr std::array<uint16_t, 9> kMainBar{
    IDR_MAIN_MENU, 1,
    kNoImage, 0, kButtonEnabled, 24, IDS_TOOLS, 0, 0};
constexpr std::array<uint16_t, 16> kCommandBar{
    IDR_COMMAND_MENU, 2,
    kNoImage, 0, kButtonEnabled, 24, IDS_TOOLS, 0, 0,
    kNoImage, uint16_t(IDM_BACK), kButtonEnabled, 16, IDS_BACK, 0, kNoPopup};
constexpr std::array<uint16_t, 16> kPasswordBar{
    IDR_PASSWORD_BAR, 2,
    kNoImage, IDOK_COMMAND, kButtonEnabled, 16, IDS_LOGIN, 0, kNoPopup,
    kNoImage, IDCANCEL_COMMAND, kButtonEnabled, 16, IDS_CANCEL, 0, kNoPopup};
constexpr std::array<uint16_t, 9> kCloseBar{
    IDR_CLOSE_BAR, 1,
    kNoImage, IDCANCEL_COMMAND, kButtonEnabled, 16, IDS_CLOSE, 0, kNoPopup};
constexpr std::array<uint16_t, 16> kOptionsBar{
    IDR_OPTIONS_BAR, 2,
    kNoImage, uint16_t(IDM_SAVE), kButtonEnabled, 16, IDS_SAVE, 0, kNoPopup,
    kNoImage, IDCANCEL_COMMAND, kButtonEnabled, 16, IDS_CANCEL, 0, kNoPopup};
constexpr std::array<uint16_t, 9> kFirstRunBar{
    IDR_FIRST_RUN_BAR, 1,
    kNoImage, IDOK_COMMAND, kButtonEnabled, 16, IDS_OK, 0, kNoPopup};
constexpr std::array<uint16_t, 16> kAddComputerBar{
    IDR_ADD_COMPUTER_BAR, 2,
    kNoImage, IDOK_COMMAND, kButtonEnabled, 16, IDS_ADD, 0, kNoPopup,
    kNoImage, IDCANCEL_COMMAND, kButtonEnabled, 16, IDS_CANCEL, 0, kNoPopup};
// clang-format on

}  // namespace

std::span<const uint16_t> FindMenuBarRecordWords(int id) {
    switch (id) {
        case IDR_MAIN_MENU: return kMainBar;
        case IDR_COMMAND_MENU: return kCommandBar;
        case IDR_PASSWORD_BAR: return kPasswordBar;
        case IDR_CLOSE_BAR: return kCloseBar;
        case IDR_OPTIONS_BAR: return kOptionsBar;
        case IDR_FIRST_RUN_BAR: return kFirstRunBar;
        case IDR_ADD_COMPUTER_BAR: return kAddComputerBar;
        default: return {};
    }
}

std::optional<CMenuBarRecord> ParseMenuBarRecord(std::span<const uint16_t> words) {
    constexpr size_t kButtonWords = 7;
    if (words.size() < 2) return std::nullopt;
    const size_t count = words[1];
    if (words.size() < 2 + count * kButtonWords) return std::nullopt;
    CMenuBarRecord record{words[0], {}};
    for (size_t i = 0; i < count; ++i) {
        const auto b = words.subspan(2 + i * kButtonWords, kButtonWords);
        record.buttons.push_back({b[0], b[1], b[2], b[3], b[4], b[6] == kNoPopup ? -1 : int(b[6])});
    }
    return record;
}

std::optional<CMenuBarRecord> LoadMenuBarRecord(int id) {
    const auto words = FindMenuBarRecordWords(id);
    if (words.empty()) return std::nullopt;
    return ParseMenuBarRecord(words);
}
