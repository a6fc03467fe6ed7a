#include "resources/bitmaps.h"
#include "resources/dialog_templates.h"
#include "resources/menu_bar_records.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

#include <gtest/gtest.h>

#include <QImage>

TEST(MenuBarRecords, EveryRecordReadsAsItsButtonsLeftToRight) {
    struct Expected {
        int record, menu;
        std::vector<std::tuple<QString, int, int>> buttons;  // label, command, popup
    };
    const std::vector<Expected> expected{
        {102, 102, {{"Tools", 0, 0}}},
        {136, 136, {{"Tools", 0, 0}, {"Back", 32782, -1}}},
        {130, 130, {{"Login", 1, -1}, {"Cancel", 2, -1}}},
        {129, 129, {{"Close", 2, -1}}},
        {139, 139, {{"Save", 32784, -1}, {"Cancel", 2, -1}}},
        {154, 154, {{"OK", 1, -1}}},
    };
    for (const Expected& e : expected) {
        const auto record = LoadMenuBarRecord(e.record);
        ASSERT_TRUE(record) << e.record;
        EXPECT_EQ(record->menuId, e.menu);
        ASSERT_EQ(record->buttons.size(), e.buttons.size()) << e.record;
        for (size_t i = 0; i < e.buttons.size(); ++i) {
            const CSoftKeyButton& b = record->buttons[i];
            EXPECT_EQ(LoadResourceString(b.labelString), std::get<0>(e.buttons[i]));
            EXPECT_EQ(b.command, std::get<1>(e.buttons[i]));
            EXPECT_EQ(b.popupIndex, std::get<2>(e.buttons[i]));
            EXPECT_EQ(b.image, 65534);
            EXPECT_EQ(b.state, 4);
            EXPECT_EQ(b.style, b.popupIndex >= 0 ? 24 : 16);
        }
    }
    EXPECT_FALSE(LoadMenuBarRecord(999));
}

TEST(MenuBarRecords, ShortRecordsAreRefused) {
    const std::vector<uint16_t> announcesTwo{130, 2, 65534, 1, 4, 16, 7, 0, 65535};
    EXPECT_FALSE(ParseMenuBarRecord(announcesTwo));
    EXPECT_FALSE(ParseMenuBarRecord(std::vector<uint16_t>{130}));
    const std::vector<uint16_t> none{130, 0};
    ASSERT_TRUE(ParseMenuBarRecord(none));
    EXPECT_TRUE(ParseMenuBarRecord(none)->buttons.empty());
}

TEST(DialogTemplates, DialogUnitsBecomePixelsByTheFontsBaseUnitsRoundingHalfUp) {
    EXPECT_EQ(DialogUnitsToPixels(QRect(4, 21, 68, 10), QSize(6, 13)), QRect(6, 34, 102, 16));
    EXPECT_EQ(DialogUnitsToPixels(QRect(1, 4, 2, 12), QSize(6, 13)), QRect(2, 7, 3, 20));
    // A larger font gives a proportionally larger page.
    const CDialogTemplate* options = FindDialogTemplate(IDD_OPTIONS);
    ASSERT_TRUE(options);
    const QSize at96 = DialogBaseUnits(DialogFont(*options, 96));
    const QSize at192 = DialogBaseUnits(DialogFont(*options, 192));
    EXPECT_GT(at96.width(), 3);
    EXPECT_NEAR(at192.width(), 2 * at96.width(), 2);
    EXPECT_NEAR(at192.height(), 2 * at96.height(), 2);
}

TEST(Bitmaps, EveryPictureHasItsSizeAndNoGreenLeft) {
    const std::vector<std::pair<int, int>> pictures{{134, 32}, {153, 64}, {146, 32}, {152, 48},
                                                    {147, 32}, {148, 48}, {143, 32}, {149, 48},
                                                    {144, 32}, {151, 48}, {138, 32}, {150, 48}};
    for (const auto& [id, size] : pictures) {
        const QImage image = LoadBitmapResource(id);
        ASSERT_EQ(image.size(), QSize(size, size)) << id;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << id;
        EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 250) << id;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (qAlpha(image.pixel(x, y)) > 0) {
                    ASSERT_NE(image.pixel(x, y) & 0xFFFFFFu, 0x00FF00u) << id;
                }
    }
    EXPECT_TRUE(LoadBitmapResource(999).isNull());
    EXPECT_EQ(AppIcon().availableSizes().size(), 5);
}
