#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

// What the program was asked to do from its command line. Gui when none of the options below
// was given, so arguments meant for Qt still reach the window.
enum class CliAction { Gui, Help, List, Send, Wake, UsageError };

// Exit codes of the command line, for scripts to rely on.
enum CliExit : int {
    kExitOk = 0,
    kExitUsage = 1,
    kExitNotFound = 2,
    kExitRefused = 3,
    kExitNoConnection = 4,
};

struct CCommandLine {
    CliAction action = CliAction::Gui;
    int seconds = 2;      // how long to browse
    bool json = false;    // --list prints a JSON array
    QString computer;     // --send and --wake: a name or ADDRESS[:PORT]
    int commandRow = -1;  // --send: the command's row 0 to 4
    bool passwordStdin = false;
    QString error;  // UsageError: what was wrong
};

// Reads the arguments that follow the program's name. Pure: touches nothing.
CCommandLine ParseCommandLine(const QStringList& arguments);

// The command row of a command word in any letter case: dormo or shutdown 0, sleep 1,
// restart 2, lock 3, hibernate 4.
std::optional<int> CommandRowForWord(const QString& word);

// A computer given as a dotted-quad IPv4 address with an optional ":PORT" (1 to 65535).
struct CComputerAddress {
    std::string address;
    std::optional<uint16_t> port;  // host byte order
};
std::optional<CComputerAddress> ParseComputerAddress(const QString& text);

// The --help text.
QString CommandLineHelp();
