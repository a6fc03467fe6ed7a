#include "helper/password_source.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString WriteFile(const QTemporaryDir& dir, const QByteArray& content, mode_t mode) {
    const QString path = dir.filePath("password");
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
    const auto password = ReadPasswordFile(WriteFile(dir, "S3cret pass\r\nsecond\n", 0600), &error);
    ASSERT_TRUE(password) << error.toStdString();
    EXPECT_EQ(*password, "S3cret pass");

    EXPECT_FALSE(ReadPasswordFile(WriteFile(dir, "pw\n", 0660), &error));
    const QString link = dir.filePath("link");
    ASSERT_EQ(::symlink(WriteFile(dir, "pw\n", 0600).toLocal8Bit().constData(),
                        link.toLocal8Bit().constData()),
              0);
    EXPECT_FALSE(ReadPasswordFile(link, &error));
    EXPECT_FALSE(ReadPasswordFile(dir.filePath("missing"), &error));
    EXPECT_FALSE(ReadPasswordFile(dir.path(), &error));
    EXPECT_FALSE(ReadPasswordFile(WriteFile(dir, "\nsecond\n", 0600), &error));
}

}  // namespace
