#include "connection/password_hash.h"
#include "connection/saved_passwords.h"

#include "common/temp_config.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

TEST(PasswordHash, FollowsPublishedDigestsIgnoringCaseOneUnitAtATime) {
    EXPECT_EQ(MD5Hex(QString()), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(MD5Hex("password"), "5f4dcc3b5aa765d61d8327deb882cf99");
    EXPECT_EQ(PasswordHash("PassWORD"), "5f4dcc3b5aa765d61d8327deb882cf99");
}

// The same value computed by Python's hashlib from the protocol's description alone: Greek
// capitals are lower-cased, a surrogate pair is kept, challenge bytes above 0x7f are widened.
TEST(AuthorisationValue, AgreesWithAnIndependentPythonComputation) {
    const QList<QPair<QString, QByteArray>> cases{
        {"secret", "0123456789abcdef"},
        {"PassWord", QByteArray("A\xe9") + "B\x80\xff"},
        {"x", ""},
        {QString::fromUtf8("Gr\xc3\x9c\xc3\x9f\xce\xa3\xce\x91\xf0\x9f\x94\x91"), "\x7f\x81z"}};
    for (const auto& [password, challenge] : cases) {
        QProcess python;
        python.start("/usr/bin/python3",
                     {DORMO_PYTHON_CHECK, password, QString::fromLatin1(challenge.toHex())});
        ASSERT_TRUE(python.waitForFinished(30000));
        ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
        EXPECT_EQ(QString::fromLatin1(python.readAllStandardOutput().trimmed()),
                  AuthorisationValue(PasswordHash(password), challenge))
            << password.toStdString();
    }
}

// Names match whatever their case; a long value is kept whole; deleting one keeps the others.
TEST(SavedPasswords, WritesReadsReplacesAndDeletesByDisplayName) {
    CTempConfig config;
    const QString longValue(3000, QChar('x'));
    WriteSavedHash("study", "0123456789abcdef0123456789abcdef");
    WriteSavedHash("study", longValue);
    WriteSavedHash("Study 2", "other");
    EXPECT_EQ(ReadSavedHash("study").value_or(""), longValue);
    DeleteSavedHash("study");
    EXPECT_FALSE(ReadSavedHash("study"));
    EXPECT_EQ(ReadSavedHash("study 2").value_or(""), "other");
}

}  // namespace
