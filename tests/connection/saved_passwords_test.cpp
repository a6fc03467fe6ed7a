#include "connection/saved_passwords.h"

#include "common/temp_config.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

namespace {

// Two computers listed under one display name share its one value.
TEST(SavedPasswords, WritesReadsReplacesAndDeletesByDisplayName) {
    CTempConfig config;
    EXPECT_FALSE(ReadSavedHash("study"));
    WriteSavedHash("study", "0123456789abcdef0123456789abcdef");
    WriteSavedHash("study", "fedcba9876543210fedcba9876543210");
    EXPECT_EQ(ReadSavedHash("study").value_or(""), "fedcba9876543210fedcba9876543210");
    EXPECT_FALSE(ReadSavedHash("study 2"));
    // Kept in the file, under the key and with the type the store defines.
    auto reopened = config.Reopen();
    platform::CRegKey key;
    ASSERT_EQ(reopened->CreateKey(kSavedPasswordsKey, &key), platform::ERROR_SUCCESS);
    uint32_t type = 0, size = 0;
    ASSERT_EQ(key.QueryValue("study", &type, nullptr, &size), platform::ERROR_SUCCESS);
    EXPECT_EQ(type, platform::REG_SZ);
    EXPECT_EQ(size, 66u);
    DeleteSavedHash("study");
    EXPECT_FALSE(ReadSavedHash("study"));
}

TEST(SavedPasswords, UsesAnyStoredTextWhateverItsLength) {
    CTempConfig config;
    const QString longValue(3000, QChar('x'));
    WriteSavedHash("odd", longValue);
    EXPECT_EQ(ReadSavedHash("odd").value_or(""), longValue);
}

}  // namespace
