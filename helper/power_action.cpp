#include "helper/power_action.h"

#include "connection/protocol.h"

#include <spawn.h>

#include <array>
#include <vector>

extern char** environ;

QStringList PowerActionFor(const QByteArray& word) {
    // By command row, as kCommandWords.
    static const std::array<QStringList, kCommandWords.size()> actions{{
        {"systemctl", "poweroff"},
        {"systemctl", "suspend"},
        {"systemctl", "reboot"},
        {"loginctl", "lock-sessions"},
        {"systemctl", "hibernate"},
    }};
    for (size_t row = 0; row < kCommandWords.size(); ++row)
        if (word == kCommandWords[row]) return actions[row];
    return {};
}

bool RunPowerAction(const QStringList& argv) {
    if (argv.isEmpty()) return false;
    std::vector<QByteArray> bytes;
    for (const QString& arg : argv) bytes.push_back(arg.toLocal8Bit());
    std::vector<char*> args;
    for (QByteArray& arg : bytes) args.push_back(arg.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    // The helper ignores SIGCHLD, so finished children are reaped by the system.
    return ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0;
}
