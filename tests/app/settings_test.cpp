#include "app/app.h"
#include "app/screen_metrics.h"
#include "app/settings.h"
#include "common/files.h"
#include "common/test_app.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace platform;

TEST(Settings, MissingValuesKeepTheDefaultsAndASaveKeepsWhatItDoesNotOwn) {
    CTestApp app;
    CRegKey key;
    EXPECT_TRUE(IsFirstRunDue(g_app));
    EXPECT_EQ(LoadSettings(g_app), ERROR_SUCCESS);
    EXPECT_TRUE(g_app.m_savePasswords);
    EXPECT_TRUE(g_app.m_hash.isEmpty());
    EXPECT_TRUE(
        FileBytes(app.m_config.Registry().FilePath()).contains("[Software\\Venholt\\Dormo]"))
        << "the key is created";
    SaveSettings(g_app);
    EXPECT_FALSE(app.m_config.Saved("Hash")) << "an empty hash is not written";

    ASSERT_EQ(app.m_config.Registry().CreateKey(kProductKey, &key), ERROR_SUCCESS);
    key.SetDword(QStringLiteral("FirstRunPassed"), 0);
    EXPECT_FALSE(IsFirstRunDue(g_app)) << "data 0 still suppresses the notice";
    const uint8_t eight[8] = {1};
    key.SetValue(QStringLiteral("FirstRunPassed"), REG_DWORD, eight, 8);
    EXPECT_TRUE(IsFirstRunDue(g_app)) << "more than 4 bytes does not fit the buffer";

    key.SetDword(QStringLiteral("SavePasswords"), 5);
    key.SetString(QStringLiteral("Hash"), QStringLiteral("0123abcd"));
    g_app.m_savePasswords = false;
    LoadSettings(g_app);
    EXPECT_TRUE(g_app.m_savePasswords);
    g_app.m_hash.clear();
    SaveSettings(g_app);
    LoadSettings(g_app);
    EXPECT_EQ(g_app.m_hash, QStringLiteral("0123abcd")) << "nor deleted";
    g_app.m_savePasswords = false;
    SaveSettings(g_app);
    LoadSettings(g_app);
    EXPECT_FALSE(g_app.m_savePasswords);
}

TEST(ScreenMetrics, HeaderHeightFromResolutionAndHeightClassAndFontsFromTheWorkArea) {
    using Header = std::tuple<int, int, int>;  // dpi, screen height, header height
    // 240 logical pixels are 240, 480 and 328 device pixels at 96, 192 and 131 dpi.
    for (const auto& [dpi, height, header] :
         {Header{96, 320, 24}, Header{192, 640, 48}, Header{131, 640, 33}, Header{96, 239, 18},
          Header{96, 240, 24}, Header{192, 479, 36}, Header{192, 480, 48}, Header{131, 327, 25},
          Header{131, 328, 33}})
        EXPECT_EQ(HeaderHeightFor(dpi, height), header) << dpi << " dpi, " << height;
    using Case = std::tuple<int, int, int, int, int>;  // work area, class, font sizes
    g_app.m_logPixelsY = 96;
    for (const auto& [right, bottom, screenClass, title, text] :
         {Case{240, 294, 0, 15, 13}, Case{480, 588, 2, 20, 18}, Case{240, 240, 1, 18, 16},
          Case{320, 320, 1, 18, 16}, Case{480, 480, 2, 20, 18}, Case{320, 214, 0, 15, 13}}) {
        g_app.ApplyScreen(right, bottom);
        EXPECT_EQ(g_app.m_screenClass, screenClass) << right << "x" << bottom;
        EXPECT_EQ(g_app.m_titleFont.pixelSize(), title);
        EXPECT_EQ(g_app.m_textFont.pixelSize(), text);
        EXPECT_TRUE(g_app.m_titleFont.bold() && g_app.m_textFont.bold());
    }
}
