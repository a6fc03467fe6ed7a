#include "helper/password_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The first line, without its line end; a password holds no line break.
std::optional<QString> FirstLine(std::FILE* stream, QString* error) {
    QByteArray line;
    int c;
    while ((c = std::fgetc(stream)) != EOF && c != '\n') {
        if (line.size() >= 4096) {
            *error = QStringLiteral("password longer than 4096 bytes");
            return std::nullopt;
        }
        line.append(char(c));
    }
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) {
        *error = QStringLiteral("empty password");
        return std::nullopt;
    }
    QString password = QString::fromUtf8(line);
    line.fill('\0');
    return password;
}

}  // namespace

std::optional<QString> ReadPasswordFile(const QString& path, QString* error) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        *error = QStringLiteral("cannot open the password file %1").arg(path);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *error = QStringLiteral("the password file %1 is not a regular file").arg(path);
        return std::nullopt;
    }
    if (info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
        ::close(fd);
        *error = QStringLiteral(
                     "the password file %1 must belong to this user and be readable "
                     "by nobody else (chmod 600)")
                     .arg(path);
        return std::nullopt;
    }
    std::FILE* stream = ::fdopen(fd, "r");
    if (!stream) {
        ::close(fd);
        *error = QStringLiteral("cannot read the password file %1").arg(path);
        return std::nullopt;
    }
    std::optional<QString> password = FirstLine(stream, error);
    std::fclose(stream);
    return password;
}

std::optional<QString> ReadPasswordStream(std::FILE* stream, QString* error) {
    return FirstLine(stream, error);
}
