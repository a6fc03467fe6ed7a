#include "helper/password_source.h"

#include "connection/password_hash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString TooLong() {
    return QStringLiteral("the password is longer than the %1 characters Dormo can send")
        .arg(kMaxPasswordLength);
}

// The first line, without its line end; a password holds no line break. A password that Dormo
// cannot send whole could never be given, so it is refused.
std::optional<QString> FirstLine(std::FILE* stream, QString* error) {
    QByteArray line;
    int c;
    while ((c = std::fgetc(stream)) != EOF && c != '\n') {
        // No UTF-16 unit takes more than three bytes of UTF-8; one more for a carriage return.
        if (line.size() > 3 * kMaxPasswordLength + 1) {
            line.fill('\0');
            *error = TooLong();
            return std::nullopt;
        }
        line.append(char(c));
    }
    if (line.endsWith('\r')) line.chop(1);
    QString password = QString::fromUtf8(line);
    line.fill('\0');
    if (password.isEmpty()) {
        *error = QStringLiteral("empty password");
        return std::nullopt;
    }
    if (password.size() > kMaxPasswordLength) {
        password.fill(QChar(0));
        *error = TooLong();
        return std::nullopt;
    }
    return password;
}

}  // namespace

std::optional<QString> ReadPasswordFile(const QString& path, QString* error) {
    // Not blocking, so that a FIFO cannot hold the start-up; what was opened is checked below.
    const int fd =
        ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
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
