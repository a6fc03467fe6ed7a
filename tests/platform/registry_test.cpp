#include "platform/registry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

struct RegistryFile : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/dormo/registry.txt");
};

QString AllSortsOfName() {
    QString name = QStringLiteral("Desk \"PC\" [1] = \\ \u00e9\u4e2d ");
    name += QChar(char16_t(0xD800));  // an unpaired surrogate
    name += QStringLiteral("\n\t;end");
    name += QChar(char16_t(0xD83D));  // a proper pair
    name += QChar(char16_t(0xDE00));
    return name;
}

}  // namespace

TEST_F(RegistryFile, EveryValueTypeSurvivesSaveAndLoad) {
    const QString odd = AllSortsOfName();
    const QString longText(100000, QChar(u'x'));
    QByteArray blob(70000, '\0');
    for (int i = 0; i < blob.size(); ++i) blob[i] = char(i * 7);
    const QByteArray oddString("a\0b\0\0\0c\0", 8);  // REG_SZ data with an inner NUL
    {
        CRegistry reg(path);
        CRegKey key;
        ASSERT_EQ(reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo"), &key), ERROR_SUCCESS);
        EXPECT_EQ(key.SetDword(QStringLiteral("Number"), 0xDEADBEEF), ERROR_SUCCESS);
        EXPECT_EQ(key.SetString(odd, odd), ERROR_SUCCESS);
        EXPECT_EQ(key.SetString(QStringLiteral("Long"), longText), ERROR_SUCCESS);
        EXPECT_EQ(key.SetValue(QStringLiteral("Blob"), REG_BINARY, blob.constData(), blob.size()),
                  ERROR_SUCCESS);
        EXPECT_EQ(key.SetValue(QStringLiteral("Odd"), REG_SZ, oddString.constData(), 8),
                  ERROR_SUCCESS);
        EXPECT_EQ(key.SetValue(QStringLiteral("Empty"), REG_BINARY, nullptr, 0), ERROR_SUCCESS);
        const uint8_t wide[6] = {1, 2, 3, 4, 5, 6};
        EXPECT_EQ(key.SetValue(QStringLiteral("WideDword"), REG_DWORD, wide, 6), ERROR_SUCCESS);
    }
    CRegistry again(path);
    CRegKey key;
    ASSERT_EQ(again.CreateKey(QStringLiteral("software\\VENHOLT\\dormo"), &key), ERROR_SUCCESS);
    uint32_t type = 0, number = 0, size = 4;
    ASSERT_EQ(key.QueryValue(QStringLiteral("number"), &type, &number, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(number, 0xDEADBEEFu);
    QString text;
    ASSERT_TRUE(key.QueryString(odd, &text));
    EXPECT_EQ(text, odd);
    ASSERT_TRUE(key.QueryString(QStringLiteral("Long"), &text));
    EXPECT_EQ(text, longText);
    const auto read = [&](const QString& name, uint32_t expectType) {
        uint32_t t = 0, n = 0;
        EXPECT_EQ(key.QueryValue(name, &t, nullptr, &n), ERROR_SUCCESS);
        QByteArray data(n, '\0');
        EXPECT_EQ(key.QueryValue(name, &t, data.data(), &n), ERROR_SUCCESS);
        EXPECT_EQ(t, expectType);
        return data;
    };
    EXPECT_EQ(read(QStringLiteral("Blob"), REG_BINARY), blob);
    EXPECT_EQ(read(QStringLiteral("Odd"), REG_SZ), oddString);
    EXPECT_EQ(read(QStringLiteral("Empty"), REG_BINARY), QByteArray());
    EXPECT_EQ(read(QStringLiteral("WideDword"), REG_DWORD), QByteArray("\1\2\3\4\5\6", 6));
}

TEST_F(RegistryFile, SizedReadsFailWhenTheBufferIsTooSmall) {
    CRegistry reg(path);
    CRegKey key;
    ASSERT_EQ(reg.CreateKey(QStringLiteral("K"), &key), ERROR_SUCCESS);
    const uint8_t five[5] = {1, 0, 0, 0, 9};
    key.SetValue(QStringLiteral("Five"), REG_DWORD, five, 5);
    uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    uint32_t size = 4;
    EXPECT_EQ(key.QueryValue(QStringLiteral("Five"), nullptr, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(buffer[0], 0xAA) << "nothing is copied into a buffer that is too small";
    EXPECT_EQ(key.QueryValue(QStringLiteral("Missing"), nullptr, buffer, &size),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFile, NamesIgnoreAsciiCaseOnlyAndDeletesReachSubkeys) {
    CRegistry reg(path);
    CRegKey key;
    ASSERT_EQ(reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo\\SavedPasswords"), &key),
              ERROR_SUCCESS);
    key.SetString(QStringLiteral("DeskPC"), QStringLiteral("one"));
    key.SetString(QStringLiteral("DESKPC"), QStringLiteral("two"));  // same value
    key.SetString(QStringLiteral("\u00c9cran"), QStringLiteral("upper"));
    key.SetString(QStringLiteral("\u00e9cran"), QStringLiteral("lower"));  // not ASCII: distinct
    QString text;
    ASSERT_TRUE(key.QueryString(QStringLiteral("deskpc"), &text));
    EXPECT_EQ(text, QStringLiteral("two"));
    ASSERT_TRUE(key.QueryString(QStringLiteral("\u00c9cran"), &text));
    EXPECT_EQ(text, QStringLiteral("upper"));
    EXPECT_EQ(key.DeleteValue(QStringLiteral("DESKpc")), ERROR_SUCCESS);
    EXPECT_FALSE(key.QueryString(QStringLiteral("DeskPC"), &text));
    EXPECT_EQ(key.DeleteValue(QStringLiteral("DeskPC")), ERROR_FILE_NOT_FOUND);

    CRegKey deeper;
    reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo\\SavedPasswords\\Deeper"), &deeper);
    deeper.SetDword(QStringLiteral("x"), 1);
    CRegKey product;
    reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo"), &product);
    product.SetDword(QStringLiteral("SavePasswords"), 1);
    EXPECT_EQ(product.DeleteKey(QStringLiteral("savedpasswords")), ERROR_SUCCESS);

    CRegistry again(path);
    CRegKey reopened;
    again.CreateKey(QStringLiteral("Software\\Venholt\\Dormo"), &reopened);
    uint32_t size = 0;
    EXPECT_EQ(reopened.QueryValue(QStringLiteral("SavePasswords"), nullptr, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_FALSE(again.Serialise().contains("SavedPasswords"));
    EXPECT_FALSE(again.Serialise().contains("Deeper"));
}

TEST_F(RegistryFile, FileIsPrivateAndReplacedWholeNeverRewrittenInPlace) {
    CRegistry reg(path);
    CRegKey key;
    ASSERT_EQ(reg.CreateKey(QStringLiteral("K"), &key), ERROR_SUCCESS);
    key.SetString(QStringLiteral("Hash"), QStringLiteral("first"));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A reader holding the old file sees it whole after the next save: the new content goes
    // into a new file that replaces the old one by rename.
    const int old = open(QFile::encodeName(path).constData(), O_RDONLY);
    ASSERT_GE(old, 0);
    key.SetString(QStringLiteral("Hash"), QStringLiteral("second"));
    char buffer[4096];
    const ssize_t n = pread(old, buffer, sizeof buffer, 0);
    close(old);
    ASSERT_GT(n, 0);
    EXPECT_NE(QByteArray(buffer, n).indexOf("first"), -1);
    EXPECT_EQ(QByteArray(buffer, n).indexOf("second"), -1);
    QFile now(path);
    ASSERT_TRUE(now.open(QIODevice::ReadOnly));
    EXPECT_NE(now.readAll().indexOf("second"), -1);
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryFile, CorruptFileIsMovedAsideAndDefaultsUsed) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray garbage = "[Software\\Venholt\\Dormo]\n\"Hash\"=sz:\"unterminated\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    CRegistry reg(path);
    CRegKey key;
    ASSERT_EQ(reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo"), &key), ERROR_SUCCESS);
    uint32_t size = 0;
    EXPECT_EQ(key.QueryValue(QStringLiteral("Hash"), nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    const QStringList aside = QDir(QFileInfo(path).absolutePath())
                                  .entryList({QStringLiteral("registry.txt.corrupt-*")});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(QFileInfo(path).absolutePath() + u'/' + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
}
