#include "app/app.h"
#include "app/settings.h"
#include "common/files.h"
#include "common/test_app.h"

#include <gtest/gtest.h>

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
