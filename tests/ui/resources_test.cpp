#include "resources/bitmaps.h"
#include "resources/dialog_templates.h"
#include "resources/menu_bar_records.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <QImage>

// Each record's buttons are checked through the real bars in the page and main window tests.
TEST(MenuBarRecords, ShortOrMissingRecordsAreRefused) {
    const std::vector<uint16_t> announcesTwo{130, 2, 65534, 1, 4, 16, 7, 0, 65535};
    EXPECT_FALSE(ParseMenuBarRecord(announcesTwo));
    EXPECT_FALSE(ParseMenuBarRecord(std::vector<uint16_t>{130}));
    const auto none = ParseMenuBarRecord(std::vector<uint16_t>{130, 0});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->buttons.empty());
    EXPECT_FALSE(LoadMenuBarRecord(999));
    EXPECT_TRUE(LoadBitmapResource(999).isNull());
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
