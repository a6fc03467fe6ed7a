#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    QStringList arguments;
    CliAction action;
    QString computer = {};
    int row = -1;
    int seconds = 2;
    bool json = false;
    bool passwordStdin = false;
};

}  // namespace

TEST(CommandLine, ArgumentsGiveTheirAction) {
    const ParseCase cases[] = {
        {{}, CliAction::Gui},
        {{"-platform", "offscreen"}, CliAction::Gui},
        {{"--help"}, CliAction::Help},
        {{"-h"}, CliAction::Help},
        {{"--list"}, CliAction::List},
        {{"--list", "--seconds", "5", "--json"}, CliAction::List, {}, -1, 5, true},
        {{"--json", "--list"}, CliAction::List, {}, -1, 2, true},
        {{"--send", "pc", "dormo"}, CliAction::Send, "pc", 0},
        {{"--send", "pc", "SHUTDOWN"}, CliAction::Send, "pc", 0},
        {{"--send", "pc", "Sleep"}, CliAction::Send, "pc", 1},
        {{"--send", "pc", "restart"}, CliAction::Send, "pc", 2},
        {{"--send", "pc", "lOCK"}, CliAction::Send, "pc", 3},
        {{"--password-stdin", "--send", "10.0.0.2:4661", "hibernate", "--seconds", "1"},
         CliAction::Send,
         "10.0.0.2:4661",
         4,
         1,
         false,
         true},
        {{"--wake", "pc"}, CliAction::Wake, "pc"},
        // Usage errors.
        {{"--list", "--send", "pc", "sleep"}, CliAction::UsageError},
        {{"--send", "pc"}, CliAction::UsageError},
        {{"--send", "pc", "reboot"}, CliAction::UsageError},
        {{"--send", "", "sleep"}, CliAction::UsageError},
        {{"--wake"}, CliAction::UsageError},
        {{"--list", "--seconds"}, CliAction::UsageError},
        {{"--list", "--seconds", "0"}, CliAction::UsageError},
        {{"--list", "--seconds", "two"}, CliAction::UsageError},
        {{"--list", "--password-stdin"}, CliAction::UsageError},
        {{"--send", "pc", "sleep", "--json"}, CliAction::UsageError},
        {{"--wake", "pc", "--seconds", "3"}, CliAction::UsageError},
        {{"--list", "extra"}, CliAction::UsageError},
        {{"--seconds", "3"}, CliAction::UsageError},
        {{"--send", "pc", "sleep", "Secret"}, CliAction::UsageError},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CCommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.action, c.action);
        if (c.action == CliAction::UsageError) {
            EXPECT_FALSE(line.error.isEmpty());
            continue;
        }
        EXPECT_EQ(line.computer, c.computer);
        EXPECT_EQ(line.commandRow, c.row);
        EXPECT_EQ(line.seconds, c.seconds);
        EXPECT_EQ(line.json, c.json);
        EXPECT_EQ(line.passwordStdin, c.passwordStdin);
    }
}

TEST(CommandLine, ComputerAddressWithOptionalPort) {
    const struct {
        QString text;
        bool valid;
        std::string address = {};
        std::optional<uint16_t> port = {};
    } cases[] = {
        {"10.77.1.1", true, "10.77.1.1", std::nullopt},
        {"10.77.1.1:4661", true, "10.77.1.1", 4661},
        {"10.77.1.1:65535", true, "10.77.1.1", 65535},
        {"10.77.1.1:0", false},
        {"10.77.1.1:65536", false},
        {"10.77.1.1:", false},
        {"10.77.1", false},
        {"my-pc", false},
        {"my-pc:4660", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const auto parsed = ParseComputerAddress(c.text);
        ASSERT_EQ(parsed.has_value(), c.valid);
        if (!parsed) continue;
        EXPECT_EQ(parsed->address, c.address);
        EXPECT_EQ(parsed->port, c.port);
    }
}
