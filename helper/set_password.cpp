#include "helper/set_password.h"

#include "connection/password_hash.h"
#include "helper/password_source.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

void Report(const QString& line) {
    std::fprintf(stderr, "dormo-helper: %s\n", line.toLocal8Bit().constData());
}

// The terminal's settings while echo is off, so that a signal can put them back.
termios g_terminal;
volatile std::sig_atomic_t g_echoOff = 0;

void RestoreTerminalAndDie(int signal) {
    if (g_echoOff) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_terminal);
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Turns the terminal's echo off for its lifetime; Enter still moves to the next line.
class CEchoOff {
public:
    CEchoOff() {
        if (::tcgetattr(STDIN_FILENO, &g_terminal) != 0) return;
        for (int signal : kSignals) std::signal(signal, RestoreTerminalAndDie);
        termios quiet = g_terminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        g_echoOff = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~CEchoOff() {
        if (g_echoOff) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_terminal);
        g_echoOff = 0;
        for (int signal : kSignals) std::signal(signal, SIG_DFL);
    }
    CEchoOff(const CEchoOff&) = delete;
    CEchoOff& operator=(const CEchoOff&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
};

std::optional<QString> Ask(const char* prompt, QString* error) {
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    return ReadPasswordStream(stdin, error);
}

std::optional<QString> ReadNewPassword(QString* error) {
    if (!::isatty(STDIN_FILENO)) return ReadPasswordStream(stdin, error);
    CEchoOff echoOff;
    std::optional<QString> first = Ask("New password: ", error);
    if (!first) return std::nullopt;
    std::optional<QString> second = Ask("Repeat the new password: ", error);
    const bool same = second && *first == *second;
    if (second) second->fill(QChar(0));
    if (!same) {
        first->fill(QChar(0));
        if (second) *error = QStringLiteral("the two passwords differ");
        return std::nullopt;
    }
    return first;
}

bool Refuse(const QString& password, QString* error) {
    if (password.size() > kMaxPasswordLength)
        *error = QStringLiteral("the password is longer than the %1 characters Dormo sends")
                     .arg(kMaxPasswordLength);
    else if (password.contains(QChar::ReplacementCharacter))
        *error = QStringLiteral("the password is not UTF-8 text");
    else
        return false;
    return true;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// Makes the folder (0700) when it is missing; an existing one is left as it is.
bool EnsureFolder(const QByteArray& folder, QString* error) {
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        *error =
            QStringLiteral("cannot make the folder %1: %2")
                .arg(QString::fromLocal8Bit(folder), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info {};
    if (::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = QStringLiteral("%1 is not a folder").arg(QString::fromLocal8Bit(folder));
        return false;
    }
    return true;
}

// Writes a temporary file beside path, made 0600 from the start, and renames it over path, so
// that a reader sees the old password or the new one, never a part.
bool ReplaceFile(const QString& path, const QByteArray& content, QString* error) {
    const QByteArray target = QFileInfo(path).absoluteFilePath().toLocal8Bit();
    const QByteArray folder = QFileInfo(path).absolutePath().toLocal8Bit();
    if (!EnsureFolder(folder, error)) return false;
    QByteArray temporary = folder + "/.password-XXXXXX";
    errno = 0;
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    const bool written =
        fd >= 0 && ::fchmod(fd, 0600) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    int failure = written ? 0 : (errno ? errno : EIO);
    if (fd >= 0 && ::close(fd) != 0 && !failure) failure = errno;
    if (!failure && ::rename(temporary.constData(), target.constData()) != 0) failure = errno;
    if (failure) {
        *error = QStringLiteral("cannot write %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(failure)));
        if (fd >= 0) ::unlink(temporary.constData());
        return false;
    }
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

}  // namespace

int SetPassword(const QString& path) {
    QString error;
    std::optional<QString> password = ReadNewPassword(&error);
    if (password && Refuse(*password, &error)) {
        password->fill(QChar(0));
        password.reset();
    }
    if (!password) {
        Report(error);
        return 2;
    }
    QByteArray line = password->toUtf8() + '\n';
    password->fill(QChar(0));
    const bool saved = ReplaceFile(path, line, &error);
    line.fill('\0');
    if (!saved) {
        Report(error);
        return 1;
    }
    Report(QStringLiteral("password saved in %1; a running helper takes it when restarted "
                          "(systemctl restart dormo-helper)")
               .arg(path));
    return 0;
}
