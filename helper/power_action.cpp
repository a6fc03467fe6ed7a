#include "helper/power_action.h"

#include <spawn.h>

#include <vector>

extern char** environ;

QStringList PowerActionFor(const QByteArray& word) {
    if (word == "Dormo") return {"systemctl", "poweroff"};
    if (word == "Sleep") return {"systemctl", "suspend"};
    if (word == "Restart") return {"systemctl", "reboot"};
    if (word == "Hibernate") return {"systemctl", "hibernate"};
    if (word == "Lock") return {"loginctl", "lock-sessions"};
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
