#include "resources/bitmaps.h"
#include "resources/dialog_templates.h"
#include "resources/menu_bar_records.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

#include <gtest/gtest.h>

#include <QImage>

TEST(MenuBarRecords, RecordsReadAsTheirButtonsLeftToRightAndShortOnesAreRefused) {
    const auto record = LoadMenuBarRecord(136);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->menuId, 136);
    ASSERT_EQ(record->buttons.size(), 2u);
    EXPECT_EQ(LoadResourceString(record->buttons[0].labelString), "Tools");
    EXPECT_EQ(record->buttons[0].popupIndex, 0);
    EXPECT_EQ(LoadResourceString(record->buttons[1].labelString), "Back");
    EXPECT_EQ(record->buttons[1].command, 32782);
    EXPECT_EQ(record->buttons[1].popupIndex, -1);
    EXPECT_FALSE(LoadMenuBarRecord(999));

    const std::vector<uint16_t> announcesTwo{130, 2, 65534, 1, 4, 16, 7, 0, 65535};
    EXPECT_FALSE(ParseMenuBarRecord(announcesTwo));
    EXPECT_FALSE(ParseMenuBarRecord(std::vector<uint16_t>{130}));
    const auto none = ParseMenuBarRecord(std::vector<uint16_t>{130, 0});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->buttons.empty());
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
    for (const auto& [id, size] : {std::pair{134, 32},
                                   {153, 64},
                                   {146, 32},
                                   {152, 48},
                                   {147, 32},
                                   {148, 48},
                                   {143, 32},
                                   {149, 48},
                                   {144, 32},
                                   {151, 48},
                                   {138, 32},
                                   {150, 48}}) {
        const QImage image = LoadBitmapResource(id);
        ASSERT_EQ(image.size(), QSize(size, size)) << id;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << id;
        EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 250) << id;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                ASSERT_FALSE(qAlpha(image.pixel(x, y)) > 0 &&
                             (image.pixel(x, y) & 0xFFFFFFu) == 0x00FF00u)
                    << id;
    }
    EXPECT_TRUE(LoadBitmapResource(999).isNull());
}
