#include "app/app.h"
#include "app/screen_metrics.h"
#include "app/settings.h"
#include "common/temp_config.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace platform;

namespace {

struct Settings : ::testing::Test {
    CTempConfig config;
    void SetUp() override {
        g_app.m_savePasswords = true;
        g_app.m_hash.clear();
    }
    void TearDown() override {
        g_app.m_savePasswords = true;
        g_app.m_hash.clear();
    }
    bool Has(const QString& name) {
        auto reg = config.Reopen();
        CRegKey key;
        reg->CreateKey(kProductKey, &key);
        uint32_t size = 0;
        return key.QueryValue(name, nullptr, nullptr, &size) == ERROR_SUCCESS;
    }
};

}  // namespace

TEST_F(Settings, FirstRunPassedCountsWhenItFitsFourBytesWhateverItHolds) {
    EXPECT_TRUE(IsFirstRunDue(g_app)) << "missing value";
    CRegKey key;
    config.Registry().CreateKey(kProductKey, &key);
    key.SetDword(QStringLiteral("FirstRunPassed"), 0);
    EXPECT_FALSE(IsFirstRunDue(g_app)) << "data 0 still suppresses the notice";
    key.SetString(QStringLiteral("FirstRunPassed"), QStringLiteral("x"));  // 4 bytes with NUL
    EXPECT_FALSE(IsFirstRunDue(g_app));
    const uint8_t eight[8] = {1};
    key.SetValue(QStringLiteral("FirstRunPassed"), REG_DWORD, eight, 8);
    EXPECT_TRUE(IsFirstRunDue(g_app)) << "more than 4 bytes does not fit the buffer";
}

TEST_F(Settings, MissingKeyIsCreatedAndDefaultsStay) {
    EXPECT_EQ(LoadSettings(g_app), ERROR_SUCCESS);
    EXPECT_TRUE(g_app.m_savePasswords);
    EXPECT_TRUE(g_app.m_hash.isEmpty());
    QFile file(config.Registry().FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("[Software\\Venholt\\Dormo]"));
}

TEST_F(Settings, NonzeroSavePasswordsReadsTrueAndIsWrittenBackAsOne) {
    {
        CRegKey key;
        config.Registry().CreateKey(kProductKey, &key);
        key.SetDword(QStringLiteral("SavePasswords"), 5);
    }
    g_app.m_savePasswords = false;
    LoadSettings(g_app);
    EXPECT_TRUE(g_app.m_savePasswords);
    SaveSettings(g_app);
    auto reg = config.Reopen();
    CRegKey key;
    reg->CreateKey(kProductKey, &key);
    uint32_t value = 0, size = 4, type = 0;
    ASSERT_EQ(key.QueryValue(QStringLiteral("SavePasswords"), &type, &value, &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(type, REG_DWORD);

    g_app.m_savePasswords = false;
    SaveSettings(g_app);
    LoadSettings(g_app);
    EXPECT_FALSE(g_app.m_savePasswords);
}

TEST_F(Settings, EmptyHashNeverCreatesNorDeletesHash) {
    SaveSettings(g_app);
    EXPECT_FALSE(Has(QStringLiteral("Hash")));
    {
        CRegKey key;
        config.Registry().CreateKey(kProductKey, &key);
        key.SetString(QStringLiteral("Hash"), QStringLiteral("0123abcd"));
    }
    SaveSettings(g_app);  // m_hash still empty
    EXPECT_TRUE(Has(QStringLiteral("Hash")));
    LoadSettings(g_app);
    EXPECT_EQ(g_app.m_hash, QStringLiteral("0123abcd"));
    SaveSettings(g_app);
    auto reg = config.Reopen();
    CRegKey key;
    reg->CreateKey(kProductKey, &key);
    QString text;
    ASSERT_TRUE(key.QueryString(QStringLiteral("Hash"), &text));
    EXPECT_EQ(text, QStringLiteral("0123abcd"));
}

TEST(ScreenMetrics, HeaderHeightFollowsResolutionAndShortScreens) {
    EXPECT_EQ(HeaderHeightFor(96, 320), 24);
    EXPECT_EQ(HeaderHeightFor(192, 640), 48);
    EXPECT_EQ(HeaderHeightFor(131, 640), 33);
    EXPECT_EQ(HeaderHeightFor(96, 239), 18);
    EXPECT_EQ(HeaderHeightFor(96, 240), 24);
    EXPECT_EQ(HeaderHeightFor(192, 479), 36);
    EXPECT_EQ(HeaderHeightFor(192, 480), 48);
    EXPECT_EQ(HeaderHeightFor(131, 327), 25);  // 240 logical pixels at 131 dpi are 328
    EXPECT_EQ(HeaderHeightFor(131, 328), 33);
}

TEST(ScreenMetrics, ScreenClassAndFontsFromTheWorkArea) {
    struct Case {
        int right, bottom, screenClass, title, text;
    };
    for (const Case c :
         {Case{240, 294, 0, 15, 13}, Case{480, 588, 2, 20, 18}, Case{240, 240, 1, 18, 16},
          Case{320, 320, 1, 18, 16}, Case{480, 480, 2, 20, 18}, Case{320, 214, 0, 15, 13}}) {
        g_app.m_logPixelsY = 96;
        g_app.ApplyScreen(c.right, c.bottom);
        EXPECT_EQ(g_app.m_screenClass, c.screenClass) << c.right << "x" << c.bottom;
        EXPECT_EQ(g_app.m_titleFont.pixelSize(), c.title);
        EXPECT_EQ(g_app.m_textFont.pixelSize(), c.text);
        EXPECT_TRUE(g_app.m_titleFont.bold());
        EXPECT_TRUE(g_app.m_textFont.bold());
    }
}
