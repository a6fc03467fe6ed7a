#include "helper/password_source.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content,
                  mode_t mode) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
    file.close();
    ::chmod(path.toLocal8Bit().constData(), mode);
    return path;
}

TEST(PasswordFile, TakesTheFirstLineOfAPrivateFileOnly) {
    QTemporaryDir dir;
    QString error;
    const auto password =
        ReadPasswordFile(WriteFile(dir, "a", "S3cret pass\r\nsecond\n", 0600), &error);
    ASSERT_TRUE(password) << error.toStdString();
    EXPECT_EQ(*password, "S3cret pass");

    const QString link = dir.filePath("link");
    ASSERT_EQ(::symlink(WriteFile(dir, "b", "pw\n", 0600).toLocal8Bit().constData(),
                        link.toLocal8Bit().constData()),
              0);
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& refused :
         {WriteFile(dir, "c", "pw\n", 0660), WriteFile(dir, "d", "pw\n", 0604), link, fifo,
          dir.filePath("missing"), dir.path(), WriteFile(dir, "e", "\nsecond\n", 0600)})
        EXPECT_FALSE(ReadPasswordFile(refused, &error)) << refused.toStdString();
}

// Dormo sends at most 1022 UTF-16 units of a typed password; a longer one could never log in.
TEST(PasswordFile, RefusesAPasswordLongerThanDormoCanSend) {
    const QString face = QString::fromUtf8("\xf0\x9f\x98\x80");  // two UTF-16 units
    for (const auto& [password, taken] :
         {std::pair{QString(1022, 'x'), true}, std::pair{QString(1023, 'x'), false},
          std::pair{face.repeated(511), true}, std::pair{face.repeated(512), false},
          std::pair{QString(5000, 'x'), false}}) {
        QByteArray line = password.toUtf8() + "\n";
        std::FILE* stream = ::fmemopen(line.data(), size_t(line.size()), "r");
        QString error;
        EXPECT_EQ(ReadPasswordStream(stream, &error).has_value(), taken) << password.size();
        EXPECT_EQ(error.contains("longer than"), !taken) << error.toStdString();
        std::fclose(stream);
    }
}

}  // namespace
