#include "connection/password_hash.h"
#include "helper/advertiser.h"
#include "helper/helper_server.h"
#include "helper/password_source.h"
#include "helper/power_action.h"
#include "helper/wake_info.h"
#include "helper/set_password.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>

namespace {

CHelperServer* g_server = nullptr;

void Log(const QString& line) {
    std::fprintf(stderr, "dormo-helper: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

void OnSignal(int signal) {
    if (!g_server) return;
    if (signal == SIGUSR1)
        g_server->m_answerPings = false;
    else if (signal == SIGUSR2)
        g_server->m_answerPings = true;
    else
        g_server->Stop();
}

void InstallSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2}) sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGCHLD, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dormo-helper"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Lets the Dormo remote control find this computer and send it power commands.\n"
            "Advertises \"%1\" on the local link by multicast DNS and answers the\n"
            "remote's TCP protocol. By default it only logs the commands it receives; with\n"
            "--execute it carries them out. The password is read from a file or standard input,\n"
            "never from the command line.\n\n"
            "Signals: SIGUSR1 stops answering pings, SIGUSR2 answers them again (for tests);\n"
            "SIGTERM and SIGINT end the helper.\n\n")
            .arg(QString::fromLatin1(kServiceType)) +
        QString::fromLatin1(kWakeOnLanHint));
    parser.addHelpOption();
    const QCommandLineOption passwordFile(
        "password-file",
        "Read the password from the first line of <file>, which must belong to "
        "this user and be readable by nobody else (mode 600).",
        "file");
    const QCommandLineOption passwordStdin(
        "password-stdin", "Read the password from the first line of standard input.");
    const QCommandLineOption port("port",
                                  QStringLiteral("Accept connections on TCP <port> (default %1; 0 "
                                                 "picks a free port, which the log names).")
                                      .arg(kDefaultPort),
                                  "port", QString::number(kDefaultPort));
    const QCommandLineOption listenAddress(
        "listen-address", "Accept connections on this IPv4 address only (default: all).", "address",
        "0.0.0.0");
    const QCommandLineOption mdns(
        "mdns",
        "Which mDNS engine advertises: auto (default) uses the system's avahi-daemon when it "
        "answers on the D-Bus system bus and the embedded engine otherwise; daemon always uses "
        "avahi-daemon (waiting for it to start); embedded runs its own engine.",
        "engine", "auto");
    const QCommandLineOption hostName(
        "host-name",
        "Embedded engine only (avahi-daemon advertises under its own host name): advertise "
        "under this host name, with an A record for <name>.local. (default: this machine's "
        "host name). A name already in use on the link is replaced by the next free one, as "
        "Avahi chooses it, and logged.",
        "name");
    const QCommandLineOption interface(
        "interface", "Advertise on this network interface; may be repeated (default: all).",
        "name");
    const QCommandLineOption noAdvertise(
        "no-advertise",
        "Do not advertise; only answer TCP connections (for a computer that Dormo reaches by "
        "address, or tests on loopback).");
    const QCommandLineOption execute(
        "execute",
        "Carry the commands out: Dormo = systemctl poweroff, Sleep = systemctl "
        "suspend, Restart = systemctl reboot, Hibernate = systemctl hibernate, Lock = loginctl "
        "lock-sessions. Without it, commands are only logged.");
    const QCommandLineOption challengeHex(
        "challenge-hex",
        "Send this challenge, given as hexadecimal bytes (no 00; empty for "
        "none), to every client instead of a fresh random one. For tests only.",
        "hex");
    const QCommandLineOption noPong("no-pong", "Start without answering pings (for tests).");
    const QCommandLineOption idleTimeout(
        "idle-timeout", "Close a connection that has sent nothing for <seconds> (default 30).",
        "seconds", "30");
    const QCommandLineOption maxClients(
        "max-clients", "Serve at most <n> connections at once (default 32).", "n", "32");
    const QCommandLineOption setPassword(
        "set-password",
        QStringLiteral("Ask for a new password (twice, not shown, on a terminal; else the first "
                       "line of standard input), store it readable by this user only in the "
                       "--password-file <file> (default %1) and exit.")
            .arg(kDefaultPasswordFile));
    parser.addOptions({passwordFile, passwordStdin, port, listenAddress, mdns, hostName, interface,
                       noAdvertise, execute, challengeHex, noPong, idleTimeout, maxClients});
    parser.addOption(setPassword);
    parser.process(application);
    if (parser.isSet(setPassword))
        return SetPassword(parser.isSet(passwordFile) ? parser.value(passwordFile)
                                                      : QString::fromUtf8(kDefaultPasswordFile));

    const std::map<QString, CAdvertiser::Engine> engines = {
        {QStringLiteral("auto"), CAdvertiser::Engine::Automatic},
        {QStringLiteral("daemon"), CAdvertiser::Engine::Daemon},
        {QStringLiteral("embedded"), CAdvertiser::Engine::Embedded}};
    const auto engine = engines.find(parser.value(mdns));
    if (engine == engines.end()) {
        Log(QStringLiteral("bad --mdns %1: give auto, daemon or embedded").arg(parser.value(mdns)));
        return 2;
    }

    QString error;
    std::optional<QString> password;
    if (parser.isSet(passwordFile) == parser.isSet(passwordStdin))
        error = QStringLiteral("give exactly one of --password-file and --password-stdin");
    else if (parser.isSet(passwordFile))
        password = ReadPasswordFile(parser.value(passwordFile), &error);
    else
        password = ReadPasswordStream(stdin, &error);
    if (!password) {
        Log(error);
        return 2;
    }

    CHelperServer::Config config;
    bool ok = true;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        Log(QStringLiteral("bad port %1").arg(parser.value(port)));
        return 2;
    }
    config.port = uint16_t(portNumber);
    config.listenAddress = parser.value(listenAddress).toStdString();
    config.passwordHash = PasswordHash(*password);
    password->fill(QChar(0));
    if (parser.isSet(challengeHex)) {
        const QByteArray bytes = QByteArray::fromHex(parser.value(challengeHex).toLatin1());
        if (bytes.contains('\0') || bytes.size() * 2 != parser.value(challengeHex).size()) {
            Log(QStringLiteral("bad --challenge-hex"));
            return 2;
        }
        config.fixedChallenge = bytes;
    }
    config.idleLimit = std::chrono::seconds(qMax(1, parser.value(idleTimeout).toInt()));
    config.maxClients = qMax(1, parser.value(maxClients).toInt());
    const bool executeCommands = parser.isSet(execute);
    config.onCommand = [executeCommands](const QByteArray& word) {
        if (!executeCommands) return;
        const QStringList action = PowerActionFor(word);
        if (!RunPowerAction(action)) Log(QStringLiteral("could not run %1").arg(action.join(' ')));
    };
    config.onLog = Log;

    CHelperServer server(config);
    if (!server.Listen()) return 1;
    server.m_answerPings = !parser.isSet(noPong);
    g_server = &server;
    InstallSignals();

    std::unique_ptr<CAdvertiser> advertiser;
    if (!parser.isSet(noAdvertise)) {
        CAdvertiser::Config advertising;
        advertising.hostName = parser.value(hostName);
        advertising.interfaces = parser.values(interface);
        advertising.port = server.Port();
        advertising.engine = engine->second;
        advertising.onLog = Log;
        const auto interfaces = AdvertisedInterfaces(advertising.interfaces);
        LogWakeOnLan(interfaces, Log);
        if (const QByteArray mac = MacTxt(interfaces); !mac.isEmpty()) advertising.txt << mac;
        advertiser = std::make_unique<CAdvertiser>(advertising);
        if (!advertiser->Start()) return 1;
    }
    server.Run();
    advertiser.reset();
    g_server = nullptr;
    Log(QStringLiteral("stopped"));
    return 0;
}
