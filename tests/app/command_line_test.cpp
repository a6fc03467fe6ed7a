// dormo's command line: how it is read, and the program run on side B of a namespace pair against
// dormo-helper advertising on side A.
#include "app/command_line.h"

#include "common/helper_process.h"
#include "common/net_test.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <tuple>

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
        {{"--send", "pc", "lock", "--password-stdin"}, CliAction::Send, "pc", 3, 2, false, true},
        {{"--wake", "pc"}, CliAction::Wake, "pc"},
        // Usage errors.
        {{"--list", "--send", "pc", "sleep"}, CliAction::UsageError},
        {{"--send", "pc"}, CliAction::UsageError},
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
        EXPECT_EQ(line.error.isEmpty(), c.action != CliAction::UsageError);
        EXPECT_EQ(std::tie(line.action, line.computer, line.commandRow, line.seconds, line.json,
                           line.passwordStdin),
                  std::tie(c.action, c.computer, c.row, c.seconds, c.json, c.passwordStdin));
    }
}

TEST(CommandLine, ComputerAddressWithOptionalPort) {
    // What is read as "address port"; empty when the text is refused.
    const std::pair<QString, std::string> cases[] = {
        {"10.77.1.1", "10.77.1.1 -"},
        {"10.77.1.1:4661", "10.77.1.1 4661"},
        {"10.77.1.1:65535", "10.77.1.1 65535"},
        {"10.77.1.1:0", ""},
        {"10.77.1.1:65536", ""},
        {"10.77.1.1:", ""},
        {"10.77.1", ""},
        {"my-pc", ""},
        {"my-pc:4660", ""},
    };
    for (const auto& [text, expected] : cases) {
        const auto parsed = ParseComputerAddress(text);
        const std::string port = parsed && parsed->port ? std::to_string(*parsed->port) : "-";
        EXPECT_EQ(parsed ? parsed->address + ' ' + port : "", expected) << text.toStdString();
    }
}

const QString kComputer = QStringLiteral("cli-pc");

struct CRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

class CommandLineNet : public NetTest {
protected:
    CommandLineNet() : NetTest(QStringLiteral("cli")) {}

    // Runs dormo without a display; its settings stay for the whole test.
    CRun Dormo(const QStringList& arguments, const QByteArray& input = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
        process.setProcessEnvironment(env);
        m_pair->Start(process, m_pair->NameB(), QStringLiteral(DORMO_BINARY), arguments);
        process.waitForStarted();
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000)) process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QTemporaryDir m_config;
};

}  // namespace

TEST_F(CommandLineNet, ListsTheComputerThenSendsAndWakesWithTheirExitCodes) {
    const CRun none = Dormo({"--list", "--seconds", "1"});
    EXPECT_EQ(none.code, 2) << none.err.toStdString();
    EXPECT_TRUE(none.out.isEmpty());

    CHelperProcess helper("Secret", {"ip", "netns", "exec", m_pair->NameA()},
                          {"--host-name", kComputer});
    ASSERT_NE(helper.Port(), 0) << helper.Log().toStdString();
    const QString address = m_pair->AddressA();
    const CRun text = Dormo({"--list"});
    EXPECT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_EQ(text.out, (kComputer + '\t' + address + "\t4660\n").toUtf8());
    EXPECT_EQ(text.err.count('\n'), 1);
    // The helper advertises its card's address.
    const QJsonArray listed{QJsonObject{{"name", kComputer},
                                        {"address", address},
                                        {"port", 4660},
                                        {"mac", LinkMac(m_pair->NameA())}}};
    const CRun json = Dormo({"--list", "--json"});
    EXPECT_EQ(QJsonDocument::fromJson(json.out).array(), listed) << json.out.toStdString();

    const struct {
        QStringList arguments;
        QByteArray input;
        int code;
        QString helperLog;  // what the helper then logs, if anything
    } steps[] = {
        // No saved password and none offered.
        {{"--send", kComputer, "sleep"}, "Secret\n", 1, {}},
        {{"--send", kComputer, "SLEEP", "--password-stdin"}, "wrong\n", 3, {}},
        {{"--send", kComputer, "Sleep", "--password-stdin"}, "", 1, {}},
        {{"--wake", kComputer}, {}, 2, {}},
        // Logged in: the hash is saved and the computer remembered with its MAC.
        {{"--send", kComputer, "sleep", "--password-stdin"}, "SECRET\n", 0, "command Sleep"},
        {{"--send", kComputer.toUpper(), "lock"}, {}, 0, "command Lock"},
        {{"--send", address, "restart"}, {}, 0, "command Restart"},
        {{"--send", address, "hibernate"}, {}, 0, "command Hibernate"},
        {{"--send", address + ":4660", "shutdown"}, {}, 0, "command Dormo"},
        {{"--wake", kComputer}, {}, 0, {}},
        {{"--wake", address}, {}, 0, {}},
        {{"--send", "nobody", "sleep", "--seconds", "1"}, {}, 2, {}},
        {{"--send", address + ":1", "sleep", "--password-stdin"}, "Secret\n", 4, {}},
        {{"--send", kComputer, "reboot"}, {}, 1, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.arguments.join(u' ').toStdString());
        const CRun run = Dormo(step.arguments, step.input);
        EXPECT_EQ(run.code, step.code) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        if (!step.helperLog.isEmpty()) {
            EXPECT_TRUE(helper.WaitForLog(step.helperLog)) << helper.Log().toStdString();
        }
    }
    EXPECT_EQ(helper.Log().count("command "), 5);
}
