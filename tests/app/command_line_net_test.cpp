// dormo's command line run as a program on side B of a namespace pair, against dormo-helper
// advertising on side A.
#include "common/helper_process.h"
#include "common/net_test.h"
#include "platform/mac_address.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString kComputer = QStringLiteral("cli-pc");

struct CRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

class CommandLineNet : public NetTest {
protected:
    CommandLineNet() : NetTest(QStringLiteral("cli")) {}

    void StartHelper() {
        m_helper = std::make_unique<CHelperProcess>(
            "Secret", QStringList{"ip", "netns", "exec", m_pair->NameA()},
            QStringList{"--host-name", kComputer});
        ASSERT_NE(m_helper->Port(), 0) << m_helper->Log().toStdString();
    }

    CRun Dormo(const QStringList& arguments, const QByteArray& input = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
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
    std::unique_ptr<CHelperProcess> m_helper;
};

}  // namespace

TEST_F(CommandLineNet, ListPrintsTabsOrJsonAndSaysWhenNothingIsFound) {
    const CRun none = Dormo({"--list", "--seconds", "1"});
    EXPECT_EQ(none.code, 2) << none.err.toStdString();
    EXPECT_TRUE(none.out.isEmpty());

    StartHelper();
    const CRun text = Dormo({"--list"});
    EXPECT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_EQ(text.out, (kComputer + '\t' + m_pair->AddressA() + "\t4660\n").toUtf8());
    EXPECT_EQ(text.err.count('\n'), 1);

    const CRun json = Dormo({"--list", "--json"});
    EXPECT_EQ(json.code, 0) << json.err.toStdString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out.toStdString();
    ASSERT_TRUE(document.isArray());
    ASSERT_EQ(document.array().size(), 1);
    const QJsonObject computer = document.array().first().toObject();
    EXPECT_EQ(computer.value("name").toString(), kComputer);
    EXPECT_EQ(computer.value("address").toString(), m_pair->AddressA());
    EXPECT_EQ(computer.value("port").toInt(), 4660);
    // The helper advertises its card's address.
    EXPECT_TRUE(platform::ParseMac(computer.value("mac").toString())) << json.out.toStdString();
}

TEST_F(CommandLineNet, SendAndWakeExitCodes) {
    StartHelper();
    const QString address = m_pair->AddressA();
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
            EXPECT_TRUE(m_helper->WaitForLog(step.helperLog)) << m_helper->Log().toStdString();
        }
    }
    EXPECT_EQ(m_helper->Log().count("command "), 4);
}

TEST_F(CommandLineNet, ComputerThatDoesNotAdvertiseIsReachedByAddress) {
    CHelperProcess helper("Quiet", QStringList{"ip", "netns", "exec", m_pair->NameA()},
                          QStringList{"--port", "4661", "--no-advertise"});
    ASSERT_EQ(helper.Port(), 4661) << helper.Log().toStdString();
    EXPECT_EQ(Dormo({"--list", "--seconds", "1"}).code, 2);
    const CRun run =
        Dormo({"--send", m_pair->AddressA() + ":4661", "Hibernate", "--password-stdin"}, "quiet\n");
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(helper.WaitForLog("command Hibernate")) << helper.Log().toStdString();
}
