#include "app/command_line.h"

#include "connection/protocol.h"

#include <arpa/inet.h>

#include <algorithm>

namespace {

// The options that make this a command-line run rather than a window.
bool IsOwnOption(const QString& argument) {
    static const QStringList own = {QStringLiteral("--help"), QStringLiteral("-h"),
                                    QStringLiteral("--list"), QStringLiteral("--send"),
                                    QStringLiteral("--wake"), QStringLiteral("--seconds"),
                                    QStringLiteral("--json"), QStringLiteral("--password-stdin")};
    return own.contains(argument);
}

CCommandLine Usage(const QString& error) {
    CCommandLine line;
    line.action = CliAction::UsageError;
    line.error = error;
    return line;
}

}  // namespace

std::optional<int> CommandRowForWord(const QString& word) {
    const QString lower = word.toLower();
    if (lower == QLatin1String("shutdown")) return 0;
    for (size_t row = 0; row < kCommandWords.size(); ++row)
        if (lower == QString::fromLatin1(kCommandWords[row]).toLower()) return int(row);
    return std::nullopt;
}

std::optional<CComputerAddress> ParseComputerAddress(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    const QString host = colon < 0 ? text : text.left(colon);
    in_addr parsed{};
    if (inet_pton(AF_INET, host.toLatin1().constData(), &parsed) != 1) return std::nullopt;
    CComputerAddress result{host.toStdString(), std::nullopt};
    if (colon < 0) return result;
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port < 1 || port > 65535) return std::nullopt;
    result.port = uint16_t(port);
    return result;
}

CCommandLine ParseCommandLine(const QStringList& arguments) {
    if (!std::any_of(arguments.begin(), arguments.end(), IsOwnOption)) return {};
    CCommandLine line;
    bool secondsGiven = false;
    const auto setAction = [&line](CliAction action) {
        if (line.action != CliAction::Gui) return false;
        line.action = action;
        return true;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const qsizetype left = arguments.size() - i - 1;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            if (!setAction(CliAction::Help)) return Usage(QStringLiteral("one action at a time"));
        } else if (argument == QLatin1String("--list")) {
            if (!setAction(CliAction::List)) return Usage(QStringLiteral("one action at a time"));
        } else if (argument == QLatin1String("--send")) {
            if (!setAction(CliAction::Send)) return Usage(QStringLiteral("one action at a time"));
            if (left < 2) return Usage(QStringLiteral("--send needs COMPUTER and COMMAND"));
            line.computer = arguments[++i];
            const std::optional<int> row = CommandRowForWord(arguments[++i]);
            if (!row)
                return Usage(QStringLiteral("unknown command %1; use dormo, shutdown, sleep, "
                                            "restart, lock or hibernate")
                                 .arg(arguments[i]));
            line.commandRow = *row;
        } else if (argument == QLatin1String("--wake")) {
            if (!setAction(CliAction::Wake)) return Usage(QStringLiteral("one action at a time"));
            if (left < 1) return Usage(QStringLiteral("--wake needs COMPUTER"));
            line.computer = arguments[++i];
        } else if (argument == QLatin1String("--seconds")) {
            bool ok = false;
            line.seconds = left < 1 ? 0 : arguments[++i].toInt(&ok);
            if (!ok || line.seconds < 1 || line.seconds > 3600)
                return Usage(QStringLiteral("--seconds needs a whole number from 1 to 3600"));
            secondsGiven = true;
        } else if (argument == QLatin1String("--json")) {
            line.json = true;
        } else if (argument == QLatin1String("--password-stdin")) {
            line.passwordStdin = true;
        } else {
            return Usage(QStringLiteral("unknown argument %1").arg(argument));
        }
    }
    if (line.computer.isEmpty() &&
        (line.action == CliAction::Send || line.action == CliAction::Wake))
        return Usage(QStringLiteral("COMPUTER must not be empty"));
    if (line.json && line.action != CliAction::List)
        return Usage(QStringLiteral("--json goes with --list"));
    if (secondsGiven && line.action != CliAction::List && line.action != CliAction::Send)
        return Usage(QStringLiteral("--seconds goes with --list or --send"));
    if (line.passwordStdin && line.action != CliAction::Send)
        return Usage(QStringLiteral("--password-stdin goes with --send"));
    if (line.action == CliAction::Gui) return Usage(QStringLiteral("no action given"));
    return line;
}

QString CommandLineHelp() {
    return QStringLiteral(
               "Usage: dormo [--list [--seconds N] [--json]]\n"
               "             [--send COMPUTER COMMAND [--seconds N] [--password-stdin]]\n"
               "             [--wake COMPUTER] [--help]\n"
               "Without options Dormo opens its window.\n"
               "\n"
               "  --list                 browse for N seconds (default 2) and print one line per\n"
               "                         computer: name, address and port separated by tabs\n"
               "  --json                 with --list: a JSON array of objects with name, address,\n"
               "                         port and, when known, mac\n"
               "  --send COMPUTER COMMAND\n"
               "                         log in to COMPUTER (a name found within N seconds, the\n"
               "                         name of a computer added by address, or ADDRESS[:PORT],\n"
               "                         port %1 by default) and send COMMAND:\n"
               "                         dormo (or shutdown), sleep, restart, lock or hibernate\n"
               "  --password-stdin       with --send: read the password from the first line of\n"
               "                         standard input when no saved password is used\n"
               "  --wake COMPUTER        send the Wake-on-LAN packet to a remembered computer\n"
               "                         (by name or address)\n"
               "  --help                 show this text\n"
               "\n"
               "The saved password of a computer is used when Options remembers passwords; a\n"
               "successful login saves it and remembers the computer for --wake.\n"
               "\n"
               "Exit codes: 0 done; 1 usage error (or no password to use); 2 computer (or its\n"
               "MAC) not found, or --list found none; 3 password refused; 4 no connection could\n"
               "be made, it was lost, or the wake-up could not be sent.\n")
        .arg(kDefaultPort);
}
