#include "connection/saved_passwords.h"

#include "common/temp_config.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

// Two computers listed under one display name share its one value.
TEST(SavedPasswords, WritesReadsReplacesAndDeletesByDisplayName) {
    CTempConfig config;
    const QString longValue(3000, QChar('x'));
    EXPECT_FALSE(ReadSavedHash("study"));
    WriteSavedHash("study", "0123456789abcdef0123456789abcdef");
    WriteSavedHash("study", longValue);
    WriteSavedHash("Study 2", "other");
    EXPECT_EQ(ReadSavedHash("study").value_or(""), longValue);
    // Kept under the store's key as a string, where the next start finds it.
    auto reopened = config.Reopen();
    platform::CRegKey key;
    ASSERT_EQ(reopened->CreateKey(kSavedPasswordsKey, &key), platform::ERROR_SUCCESS);
    uint32_t type = 0, size = 0;
    ASSERT_EQ(key.QueryValue("study", &type, nullptr, &size), platform::ERROR_SUCCESS);
    EXPECT_EQ(type, platform::REG_SZ);
    DeleteSavedHash("study");
    EXPECT_FALSE(ReadSavedHash("study"));
    EXPECT_EQ(ReadSavedHash("study 2").value_or(""), "other");
}
