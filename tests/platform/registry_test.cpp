#include "platform/registry.h"

#include "common/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

const QString kProduct = QStringLiteral("Software\\Venholt\\Dormo");

struct RegistryFile : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/dormo/registry.txt");
    QString folder = QFileInfo(path).absolutePath();

    QByteArray Read(CRegKey& key, const QString& name, uint32_t expectType) {
        uint32_t type = 0, size = 1 << 17;
        QByteArray data(size, '\0');
        EXPECT_EQ(key.QueryValue(name, &type, data.data(), &size), ERROR_SUCCESS)
            << name.toStdString();
        EXPECT_EQ(type, expectType);
        return data.left(size);
    }
    QString Text(CRegKey& key, const QString& name) {
        QString text;
        return key.QueryString(name, &text) ? text : QStringLiteral("(absent)");
    }
    void Write(const QByteArray& text) { ASSERT_EQ(WriteFile(path, text), path); }
};

}  // namespace

TEST_F(RegistryFile, EveryValueTypeSurvivesSaveAndLoad) {
    // U+FEFF first and after an escape: a decoder would take it for a byte-order mark.
    QString odd = QStringLiteral("\ufeffDesk \"PC\" [1] = \\ \u00e9\u4e2d \n\t\ufeff;");
    odd += QChar(char16_t(0xD800));
    odd += QString::fromUtf8("\xf0\x9f\x98\x80");
    const QByteArray innerNul("a\0b\0\0\0c\0", 8);
    {
        CRegistry reg(path);
        CRegKey key;
        ASSERT_EQ(reg.CreateKey(kProduct, &key), ERROR_SUCCESS);
        key.SetDword(QStringLiteral("Number"), 0xDEADBEEF);
        key.SetString(odd, odd);
        key.SetValue(QStringLiteral("Odd"), REG_SZ, innerNul.constData(), 8);
        key.SetValue(QStringLiteral("WideDword"), REG_DWORD, "\1\2\3\4\5\6", 6);
    }
    CRegistry again(path);
    CRegKey key;
    ASSERT_EQ(again.CreateKey(QStringLiteral("software\\VENHOLT\\dormo"), &key), ERROR_SUCCESS);
    EXPECT_EQ(Read(key, QStringLiteral("number"), REG_DWORD), QByteArray("\xef\xbe\xad\xde", 4));
    EXPECT_EQ(Text(key, odd), odd);
    EXPECT_EQ(Read(key, QStringLiteral("Odd"), REG_SZ), innerNul);
    EXPECT_EQ(Read(key, QStringLiteral("WideDword"), REG_DWORD), QByteArray("\1\2\3\4\5\6", 6));

    uint8_t small[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    uint32_t size = 4;
    EXPECT_EQ(key.QueryValue(QStringLiteral("WideDword"), nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(small[0], 0xAA) << "nothing is copied into a buffer that is too small";

    // Names ignore ASCII case only; deleting a key takes its subkeys.
    CRegKey deeper;
    again.CreateKey(kProduct + QStringLiteral("\\SavedPasswords\\Deeper"), &deeper);
    deeper.SetString(QStringLiteral("DeskPC"), QStringLiteral("one"));
    deeper.SetString(QStringLiteral("DESKPC"), QStringLiteral("two"));
    deeper.SetString(QStringLiteral("\u00c9cran"), QStringLiteral("upper"));
    deeper.SetString(QStringLiteral("\u00e9cran"), QStringLiteral("lower"));
    EXPECT_EQ(Text(deeper, QStringLiteral("deskpc")), QStringLiteral("two"));
    EXPECT_EQ(Text(deeper, QStringLiteral("\u00c9cran")), QStringLiteral("upper"));
    EXPECT_EQ(deeper.DeleteValue(QStringLiteral("DESKpc")), ERROR_SUCCESS);
    EXPECT_EQ(deeper.DeleteValue(QStringLiteral("DeskPC")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.DeleteKey(QStringLiteral("savedpasswords")), ERROR_SUCCESS);
    const QByteArray saved = FileBytes(path);
    EXPECT_TRUE(saved.contains("WideDword"));
    EXPECT_FALSE(saved.contains("SavedPasswords"));
    EXPECT_FALSE(saved.contains("Deeper"));
}

TEST_F(RegistryFile, FileAndFolderArePrivateWhateverTheUmaskAndTheFileIsReplacedWhole) {
    const mode_t umaskBefore = umask(022);
    for (const bool existed : {false, true}) {
        SCOPED_TRACE(existed);
        QDir(folder).removeRecursively();
        if (existed) QDir().mkpath(folder);
        CRegistry reg(path);
        CRegKey key;
        ASSERT_EQ(reg.CreateKey(QStringLiteral("K"), &key), ERROR_SUCCESS);
        key.SetString(QStringLiteral("Hash"), QStringLiteral("first"));
        EXPECT_EQ(Mode(folder), 0700);
        EXPECT_EQ(Mode(path), 0600);
        // A reader holding the old file still sees it whole after the next save.
        const int old = open(QFile::encodeName(path).constData(), O_RDONLY);
        ASSERT_GE(old, 0);
        key.SetString(QStringLiteral("Hash"), QStringLiteral("second"));
        char buffer[4096];
        const ssize_t n = pread(old, buffer, sizeof buffer, 0);
        close(old);
        ASSERT_GT(n, 0);
        EXPECT_TRUE(QByteArray(buffer, n).contains("first"));
        EXPECT_FALSE(QByteArray(buffer, n).contains("second"));
        EXPECT_TRUE(FileBytes(path).contains("second"));
        EXPECT_EQ(Mode(path), 0600);
    }
    umask(umaskBefore);
}

TEST_F(RegistryFile, ReadsWhatAPersonMayWriteAndMovesACorruptFileAside) {
    const struct {
        const char* what;
        QByteArray text;
        bool valid;
    } cases[] = {
        {"byte-order mark", "\xEF\xBB\xBF[Software\\Venholt\\Dormo]\n\"Hash\"=sz:\"h\"\n", true},
        {"blanks after ] and around =",
         "[Software\\Venholt\\Dormo] \t\n\"Hash\" =  sz:\"h\"\n\"Save\"\t= dword:1\n", true},
        {"indented lines, # comment, CRLF",
         "  # mine\r\n  [ Software\\Venholt\\Dormo ]\r\n   \"Hash\" = sz: \"h\"   \r\n", true},
        {"type words in capitals, short dword, blanks in hex",
         "[Software\\Venholt\\Dormo]\n\"Hash\"=SZ:\"h\"\n\"Save\"=DWORD:1\n\"B\"=hex: 01, 02\n",
         true},
        {"unterminated string: corrupt", "[Software\\Venholt\\Dormo]\n\"Hash\"=sz:\"h\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Write(c.text);
        CRegistry reg(path);
        CRegKey key;
        ASSERT_EQ(reg.CreateKey(kProduct, &key), ERROR_SUCCESS);
        EXPECT_EQ(Text(key, QStringLiteral("Hash")), c.valid ? "h" : "(absent)");
        if (c.text.contains("\"Save\"")) {
            EXPECT_EQ(Read(key, QStringLiteral("Save"), REG_DWORD), QByteArray("\1\0\0\0", 4));
        }
        if (c.text.contains("\"B\"")) {
            EXPECT_EQ(Read(key, QStringLiteral("B"), REG_BINARY), QByteArray("\1\2", 2));
        }
        const QStringList aside =
            QDir(folder).entryList({QStringLiteral("registry.txt.corrupt-*")});
        ASSERT_EQ(aside.size(), c.valid ? 0 : 1);
        EXPECT_TRUE(c.valid || FileBytes(QDir(folder).filePath(aside.value(0))) == c.text);
    }
}

TEST_F(RegistryFile, ASaveKeepsWhatOthersChangedMeanwhileAndValuesOutsideAnyNamedKey) {
    Write("\"Early\"=sz:\"before any header\"\n[\\\\]\n\"Top\"=dword:7\n");
    CRegistry ours(path);
    CRegKey key;
    ASSERT_EQ(ours.CreateKey(kProduct, &key), ERROR_SUCCESS);
    for (const char* name : {"Mine", "Shared", "Gone", "Kept"})
        key.SetString(QString::fromLatin1(name), QStringLiteral("old"));
    {
        CRegistry theirs(path);
        CRegKey other;
        ASSERT_EQ(theirs.CreateKey(kProduct + QStringLiteral("\\SavedPasswords"), &other),
                  ERROR_SUCCESS);
        other.SetString(QStringLiteral("DeskPC"), QStringLiteral("theirs"));
        theirs.CreateKey(kProduct, &other);
        other.SetString(QStringLiteral("Shared"), QStringLiteral("theirs"));
        other.SetString(QStringLiteral("Mine"), QStringLiteral("theirs"));
        other.DeleteValue(QStringLiteral("Kept"));
    }
    key.SetString(QStringLiteral("Mine"), QStringLiteral("ours"));
    key.DeleteValue(QStringLiteral("Gone"));

    CRegistry after(path);
    CRegKey check, saved;
    ASSERT_EQ(after.CreateKey(kProduct, &check), ERROR_SUCCESS);
    EXPECT_EQ(Text(check, QStringLiteral("Mine")), QStringLiteral("ours"));
    EXPECT_EQ(Text(check, QStringLiteral("Shared")), QStringLiteral("theirs"));
    EXPECT_EQ(Text(check, QStringLiteral("Gone")), QStringLiteral("(absent)"));
    EXPECT_EQ(Text(check, QStringLiteral("Kept")), QStringLiteral("(absent)"));
    after.CreateKey(kProduct + QStringLiteral("\\SavedPasswords"), &saved);
    EXPECT_EQ(Text(saved, QStringLiteral("DeskPC")), QStringLiteral("theirs"));
    after.CreateKey(QStringLiteral("\\"), &saved);
    EXPECT_EQ(Read(saved, QStringLiteral("Top"), REG_DWORD), QByteArray("\7\0\0\0", 4));
    EXPECT_EQ(Text(saved, QStringLiteral("Early")), QStringLiteral("before any header"));
}
