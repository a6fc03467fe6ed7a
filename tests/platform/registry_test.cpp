#include "platform/registry.h"

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

struct RegistryFile : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/dormo/registry.txt");

    QByteArray Read(CRegKey& key, const QString& name, uint32_t expectType) {
        uint32_t type = 0, size = 0;
        EXPECT_EQ(key.QueryValue(name, &type, nullptr, &size), ERROR_SUCCESS) << name.toStdString();
        QByteArray data(size, '\0');
        EXPECT_EQ(key.QueryValue(name, &type, data.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, expectType);
        return data;
    }
    QByteArray FileText() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    int Mode() const {
        struct stat st {};
        return stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    }
};

}  // namespace

TEST_F(RegistryFile, EveryValueTypeSurvivesSaveAndLoad) {
    // Quotes, brackets, escapes, newlines, non-ASCII, an unpaired and a paired surrogate, and
    // U+FEFF first and after an escape (a decoder would take it for a byte-order mark).
    QString odd = QStringLiteral("\ufeffDesk \"PC\" [1] = \\ \u00e9\u4e2d \n\t\ufeff;");
    odd += QChar(char16_t(0xD800));
    odd += QString::fromUtf8("\xf0\x9f\x98\x80");
    QByteArray blob(70000, '\0');
    for (int i = 0; i < blob.size(); ++i) blob[i] = char(i * 7);
    const QByteArray innerNul("a\0b\0\0\0c\0", 8);
    {
        CRegistry reg(path);
        CRegKey key;
        ASSERT_EQ(reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo"), &key), ERROR_SUCCESS);
        key.SetDword(QStringLiteral("Number"), 0xDEADBEEF);
        key.SetString(odd, odd);
        key.SetValue(QStringLiteral("Blob"), REG_BINARY, blob.constData(), blob.size());
        key.SetValue(QStringLiteral("Odd"), REG_SZ, innerNul.constData(), 8);
        key.SetValue(QStringLiteral("Empty"), REG_BINARY, nullptr, 0);
        key.SetValue(QStringLiteral("WideDword"), REG_DWORD, "\1\2\3\4\5\6", 6);
    }
    CRegistry again(path);
    CRegKey key;
    ASSERT_EQ(again.CreateKey(QStringLiteral("software\\VENHOLT\\dormo"), &key), ERROR_SUCCESS);
    EXPECT_EQ(Read(key, QStringLiteral("number"), REG_DWORD), QByteArray("\xef\xbe\xad\xde", 4));
    QString text;
    ASSERT_TRUE(key.QueryString(odd, &text));
    EXPECT_EQ(text, odd);
    EXPECT_EQ(Read(key, QStringLiteral("Blob"), REG_BINARY), blob);
    EXPECT_EQ(Read(key, QStringLiteral("Odd"), REG_SZ), innerNul);
    EXPECT_EQ(Read(key, QStringLiteral("Empty"), REG_BINARY), QByteArray());
    EXPECT_EQ(Read(key, QStringLiteral("WideDword"), REG_DWORD), QByteArray("\1\2\3\4\5\6", 6));

    uint8_t small[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    uint32_t size = 4;
    EXPECT_EQ(key.QueryValue(QStringLiteral("WideDword"), nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(small[0], 0xAA) << "nothing is copied into a buffer that is too small";
}

TEST_F(RegistryFile, NamesIgnoreAsciiCaseOnlyAndDeletesReachSubkeys) {
    CRegistry reg(path);
    CRegKey key;
    reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo\\SavedPasswords\\Deeper"), &key);
    key.SetString(QStringLiteral("DeskPC"), QStringLiteral("one"));
    key.SetString(QStringLiteral("DESKPC"), QStringLiteral("two"));
    key.SetString(QStringLiteral("\u00c9cran"), QStringLiteral("upper"));
    key.SetString(QStringLiteral("\u00e9cran"), QStringLiteral("lower"));
    QString text;
    ASSERT_TRUE(key.QueryString(QStringLiteral("deskpc"), &text));
    EXPECT_EQ(text, QStringLiteral("two"));
    ASSERT_TRUE(key.QueryString(QStringLiteral("\u00c9cran"), &text));
    EXPECT_EQ(text, QStringLiteral("upper"));
    EXPECT_EQ(key.DeleteValue(QStringLiteral("DESKpc")), ERROR_SUCCESS);
    EXPECT_EQ(key.DeleteValue(QStringLiteral("DeskPC")), ERROR_FILE_NOT_FOUND);

    CRegKey product;
    reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo"), &product);
    product.SetDword(QStringLiteral("SavePasswords"), 1);
    EXPECT_EQ(product.DeleteKey(QStringLiteral("savedpasswords")), ERROR_SUCCESS);
    const QByteArray saved = FileText();
    EXPECT_TRUE(saved.contains("SavePasswords"));
    EXPECT_FALSE(saved.contains("SavedPasswords"));
    EXPECT_FALSE(saved.contains("Deeper"));
}

TEST_F(RegistryFile, FileIsPrivateAndReplacedWholeNeverRewrittenInPlace) {
    CRegistry reg(path);
    CRegKey key;
    ASSERT_EQ(reg.CreateKey(QStringLiteral("K"), &key), ERROR_SUCCESS);
    key.SetString(QStringLiteral("Hash"), QStringLiteral("first"));
    EXPECT_EQ(Mode(), 0600);
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
    EXPECT_TRUE(FileText().contains("second"));
    EXPECT_EQ(Mode(), 0600);
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
    const QDir folder(QFileInfo(path).absolutePath());
    const QStringList aside = folder.entryList({QStringLiteral("registry.txt.corrupt-*")});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(folder.filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
}

TEST_F(RegistryFile, ReadsWhatAPersonMayWriteAndKeepsEveryValue) {
    struct Case {
        const char* what;
        QByteArray text;
    };
    const Case cases[] = {
        {"byte-order mark", "\xEF\xBB\xBF[Software\\Venholt\\Dormo]\n\"Hash\"=sz:\"h\"\n"},
        {"blanks after ] and around =",
         "[Software\\Venholt\\Dormo] \t\n\"Hash\" =  sz:\"h\"\n\"Save\"\t= dword:1\n"},
        {"indented lines, # comment, CRLF",
         "  # mine\r\n  [ Software\\Venholt\\Dormo ]\r\n   \"Hash\" = sz: \"h\"   \r\n"},
        {"type words in capitals, short dword, blanks in hex",
         "[Software\\Venholt\\Dormo]\n\"Hash\"=SZ:\"h\"\n\"Save\"=DWORD:1\n\"B\"=hex: 01, 02\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir().mkpath(QFileInfo(path).absolutePath());
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.text);
        }
        CRegistry reg(path);
        CRegKey key;
        ASSERT_EQ(reg.CreateKey(QStringLiteral("Software\\Venholt\\Dormo"), &key), ERROR_SUCCESS);
        QString hash;
        EXPECT_TRUE(key.QueryString(QStringLiteral("Hash"), &hash));
        EXPECT_EQ(hash, QStringLiteral("h"));
        if (c.text.contains("= dword:1") || c.text.contains("DWORD:1")) {
            EXPECT_EQ(Read(key, QStringLiteral("Save"), REG_DWORD), QByteArray("\1\0\0\0", 4));
        }
        if (c.text.contains("hex: 01")) {
            EXPECT_EQ(Read(key, QStringLiteral("B"), REG_BINARY), QByteArray("\1\2", 2));
        }
        EXPECT_TRUE(QDir(QFileInfo(path).absolutePath())
                        .entryList({QStringLiteral("*.corrupt-*")})
                        .isEmpty());
    }
}

TEST_F(RegistryFile, ValuesUnderABackslashHeaderSurviveASave) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\"Early\"=sz:\"before any header\"\n[\\\\]\n\"Top\"=dword:7\n");
    }
    {
        CRegistry reg(path);
        CRegKey key;
        reg.CreateKey(QStringLiteral("Software"), &key);
        key.SetDword(QStringLiteral("SavePasswords"), 1);
    }
    CRegistry again(path);
    CRegKey root;
    ASSERT_EQ(again.CreateKey(QStringLiteral("\\"), &root), ERROR_SUCCESS);
    EXPECT_EQ(Read(root, QStringLiteral("Top"), REG_DWORD), QByteArray("\7\0\0\0", 4));
    QString early;
    EXPECT_TRUE(root.QueryString(QStringLiteral("Early"), &early));
    EXPECT_EQ(early, QStringLiteral("before any header"));
}

TEST_F(RegistryFile, ASaveKeepsWhatOthersChangedMeanwhileAndItsOwnChangesWin) {
    const QString product = QStringLiteral("Software\\Venholt\\Dormo");
    CRegistry ours(path);
    CRegKey key;
    ASSERT_EQ(ours.CreateKey(product, &key), ERROR_SUCCESS);
    for (const char* name : {"Mine", "Shared", "Gone", "Kept"})
        key.SetString(QString::fromLatin1(name), QStringLiteral("old"));
    {
        // Another copy, or a person with an editor, changes the file meanwhile.
        CRegistry theirs(path);
        CRegKey other;
        ASSERT_EQ(theirs.CreateKey(product + QStringLiteral("\\SavedPasswords"), &other),
                  ERROR_SUCCESS);
        other.SetString(QStringLiteral("DeskPC"), QStringLiteral("theirs"));
        theirs.CreateKey(product, &other);
        other.SetString(QStringLiteral("Shared"), QStringLiteral("theirs"));
        other.SetString(QStringLiteral("Mine"), QStringLiteral("theirs"));
        other.DeleteValue(QStringLiteral("Kept"));
    }
    key.SetString(QStringLiteral("Mine"), QStringLiteral("ours"));
    key.DeleteValue(QStringLiteral("Gone"));

    CRegistry after(path);
    CRegKey check;
    ASSERT_EQ(after.CreateKey(product, &check), ERROR_SUCCESS);
    struct Expect {
        const char* name;
        const char* text;  // null: absent
    };
    for (const Expect& e : {Expect{"Mine", "ours"}, Expect{"Shared", "theirs"},
                            Expect{"Gone", nullptr}, Expect{"Kept", nullptr}}) {
        SCOPED_TRACE(e.name);
        QString text;
        EXPECT_EQ(check.QueryString(QString::fromLatin1(e.name), &text), e.text != nullptr);
        if (e.text) {
            EXPECT_EQ(text, QString::fromLatin1(e.text));
        }
    }
    CRegKey saved;
    after.CreateKey(product + QStringLiteral("\\SavedPasswords"), &saved);
    QString hash;
    EXPECT_TRUE(saved.QueryString(QStringLiteral("DeskPC"), &hash));
}

TEST_F(RegistryFile, FolderIsPrivateWhateverTheUmask) {
    const mode_t old = umask(022);
    const QString folder = QFileInfo(path).absolutePath();
    for (const bool existed : {false, true}) {
        SCOPED_TRACE(existed);
        QDir(folder).removeRecursively();
        if (existed) QDir().mkpath(folder);
        CRegistry reg(path);
        CRegKey key;
        ASSERT_EQ(reg.CreateKey(QStringLiteral("K"), &key), ERROR_SUCCESS);
        struct stat st {};
        ASSERT_EQ(stat(QFile::encodeName(folder).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    umask(old);
}
