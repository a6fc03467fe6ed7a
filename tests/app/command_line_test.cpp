// dormo's command line: how it is read, and the program run on side B of a namespace pair against
// dormo-helper advertising on side A.
#include "app/command_line.h"

#include "common/files.h"
#include "common/helper_process.h"
#include "common/net_test.h"
#include "common/temp_config.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

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

TEST(CommandLine, ArgumentsGiveTheirActionAndAnAddressItsPort) {
    const ParseCase cases[] = {
        {{}, CliAction::Gui},
        {{"-platform", "offscreen"}, CliAction::Gui},
        {{"--help"}, CliAction::Help},
        {{"-h"}, CliAction::Help},
        {{"--json", "--list", "--seconds", "5"}, CliAction::List, {}, -1, 5, true},
        {{"--send", "pc", "dormo", "--password-stdin"}, CliAction::Send, "pc", 0, 2, false, true},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CCommandLine line = ParseCommandLine(c.arguments);
        EXPECT_TRUE(line.error.isEmpty());
        EXPECT_EQ(std::tie(line.action, line.computer, line.commandRow, line.seconds, line.json,
                           line.passwordStdin),
                  std::tie(c.action, c.computer, c.row, c.seconds, c.json, c.passwordStdin));
    }
    const QStringList usageErrors[] = {{"--list", "--send", "pc", "sleep"},
                                       {"--send", "pc"},
                                       {"--send", "", "sleep"},
                                       {"--wake"},
                                       {"--list", "--seconds", "0"},
                                       {"--list", "--password-stdin"},
                                       {"--send", "pc", "sleep", "--json"},
                                       {"--send", "pc", "sleep", "Secret"}};
    for (const QStringList& arguments : usageErrors) {
        const CCommandLine line = ParseCommandLine(arguments);
        EXPECT_EQ(line.action, CliAction::UsageError) << arguments.join(u' ').toStdString();
        EXPECT_FALSE(line.error.isEmpty());
    }

    EXPECT_EQ(ParseComputerAddress("10.77.1.1:65535").value_or(CComputerAddress{}).port, 65535);
    for (const char* refused :
         {"10.77.1.1:0", "10.77.1.1:65536", "10.77.1.1:", "10.77.1", "my-pc", "my-pc:4660"})
        EXPECT_FALSE(ParseComputerAddress(refused)) << refused;
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
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.Path());
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

    CTempConfig m_config;
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
    WriteSavedHash(kComputer, PasswordHash(QStringLiteral("stale")));
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
        // A stale saved hash is refused and deleted; then there is none, and none offered.
        {{"--send", kComputer, "sleep"}, {}, 3, {}},
        {{"--send", kComputer, "sleep"}, "Secret\n", 1, {}},
        {{"--send", kComputer, "SLEEP", "--password-stdin"}, "wrong\n", 3, {}},
        {{"--send", kComputer, "Sleep", "--password-stdin"}, "", 1, {}},
        {{"--wake", kComputer}, {}, 2, {}},
        // Logged in: the hash is saved and the computer remembered with its MAC.
        {{"--send", kComputer, "sleep", "--password-stdin"}, "SECRET\r\n", 0, "command Sleep"},
        {{"--send", kComputer.toUpper(), "lock"}, {}, 0, "command Lock"},
        {{"--send", address, "hibernate"}, {}, 0, "command Hibernate"},
        {{"--send", address + ":4660", "SHUTDOWN"}, {}, 0, "command Dormo"},
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
    EXPECT_EQ(helper.Log().count("command "), 4);

    // With saving off a saved hash is neither used nor written.
    platform::CRegKey product;
    m_config.Registry().CreateKey(kProductKey, &product);
    product.SetDword(QStringLiteral("SavePasswords"), 0);
    EXPECT_EQ(Dormo({"--send", kComputer, "lock"}).code, 1);
    DeleteSavedHash(kComputer);
    EXPECT_EQ(Dormo({"--send", kComputer, "lock", "--password-stdin"}, "Secret\n").code, 0);
    EXPECT_FALSE(FileBytes(m_config.Registry().FilePath())
                     .contains(PasswordHash(QStringLiteral("Secret")).toUtf8()));
}
