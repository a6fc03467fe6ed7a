#include "app/command_line_run.h"

#include "app/app.h"
#include "app/command_line.h"
#include "app/settings.h"
#include "connection/login.h"
#include "connection/password_hash.h"
#include "connection/protocol.h"
#include "connection/saved_passwords.h"
#include "connection/wake.h"
#include "discovery/computer_list_model.h"
#include "discovery/discovery.h"
#include "discovery/remember.h"
#include "discovery/remembered_computers.h"
#include "platform/registry.h"
#include "platform/tcp_socket.h"
#include "platform/wake_on_lan.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <arpa/inet.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

namespace {

// The one line that says what happened.
int Report(int code, const QString& text) {
    std::fprintf(stderr, "dormo: %s\n", qPrintable(text));
    return code;
}

void Print(const QByteArray& text) {
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

// Browses until seconds have passed or found() holds; the sightings land in g_app.m_computers.
// False when no mDNS engine could start.
bool Browse(int seconds, const std::function<bool()>& found) {
    CComputerListModel rows;
    g_app.m_listModel = &rows;
    g_app.m_computers.clear();
    const bool started = StartDiscovery();
    if (started) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (found()) loop.quit();
        });
        poll.start(50);
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    CloseDiscovery();
    return started;
}

std::optional<platform::MacAddress> KnownMac(const CListEntry& entry,
                                             const std::vector<CRememberedComputer>& remembered) {
    if (auto learnt = LearnMac(entry.m_advertisedMacs, entry.m_address)) return learnt;
    for (const CRememberedComputer& computer : remembered)
        if (computer.name == entry.m_name && computer.mac) return computer.mac;
    return std::nullopt;
}

int List(const CCommandLine& line) {
    if (!Browse(line.seconds, [] { return false; }))
        return Report(kExitNotFound, QStringLiteral("multicast DNS could not start"));
    const std::vector<CRememberedComputer> remembered =
        CRememberedComputers(*g_app.m_registry).Load();
    QJsonArray array;
    QByteArray text;
    int count = 0;
    for (const CListEntry& entry : g_app.m_computers) {
        if (!entry.m_heard) continue;
        ++count;
        const QString address = QString::fromStdString(entry.m_address);
        const int port = ntohs(entry.m_port);
        QJsonObject object{{"name", entry.m_name}, {"address", address}, {"port", port}};
        if (const auto mac = KnownMac(entry, remembered))
            object.insert(QStringLiteral("mac"), platform::FormatMac(*mac));
        array.append(object);
        text += QStringLiteral("%1\t%2\t%3\n").arg(entry.m_name, address).arg(port).toUtf8();
    }
    Print(line.json ? QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n' : text);
    if (count == 0)
        return Report(kExitNotFound,
                      QStringLiteral("no computer found within %1 s").arg(line.seconds));
    return Report(kExitOk, QStringLiteral("%1 computer(s) found").arg(count));
}

// The remembered computer named name (letter case aside) or reached at address, if any.
std::optional<CRememberedComputer> FindRemembered(const QString& name,
                                                  const std::string& address = {}) {
    for (const CRememberedComputer& computer : CRememberedComputers(*g_app.m_registry).Load())
        if (computer.name.compare(name, Qt::CaseInsensitive) == 0 ||
            (!address.empty() && computer.address == address))
            return computer;
    return std::nullopt;
}

// The computer --send means: by address (named as remembered when it is), a computer added by
// address by its name, else as discovered.
std::optional<CListEntry> FindTarget(const CCommandLine& line) {
    CListEntry entry;
    if (const std::optional<CRememberedComputer> added = FindRemembered(line.computer);
        added && added->manual && !ParseComputerAddress(line.computer)) {
        entry.m_name = added->name;
        entry.m_address = added->address;
        entry.m_port = htons(added->port);
        entry.m_hostName = entry.m_name.toLocal8Bit().toStdString();
        entry.m_mac = added->mac;
        entry.m_manual = true;
        return entry;
    }
    if (const std::optional<CComputerAddress> given = ParseComputerAddress(line.computer)) {
        const std::optional<CRememberedComputer> remembered =
            FindRemembered(QString(), given->address);
        entry.m_name = remembered ? remembered->name : QString::fromStdString(given->address);
        entry.m_address = given->address;
        entry.m_port = htons(
            given->port.value_or(remembered && remembered->port ? remembered->port : kDefaultPort));
        entry.m_hostName = entry.m_name.toLocal8Bit().toStdString();
        entry.m_mac = remembered ? remembered->mac : std::nullopt;
        return entry;
    }
    const auto matches = [&line](const CListEntry& e) {
        return e.m_heard && e.m_name.compare(line.computer, Qt::CaseInsensitive) == 0;
    };
    Browse(line.seconds, [&] {
        return std::any_of(g_app.m_computers.begin(), g_app.m_computers.end(), matches);
    });
    const auto found = std::find_if(g_app.m_computers.begin(), g_app.m_computers.end(), matches);
    if (found == g_app.m_computers.end()) return std::nullopt;
    return *found;
}

// The first line of standard input, without its line end; nothing at the end of the input.
std::optional<QString> ReadPasswordLine() {
    std::string text;
    if (!std::getline(std::cin, text) && text.empty()) return std::nullopt;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return QString::fromLocal8Bit(text.c_str(), qsizetype(text.size()));
}

int Send(const CCommandLine& line) {
    const std::optional<CListEntry> target = FindTarget(line);
    if (!target)
        return Report(
            kExitNotFound,
            QStringLiteral("%1 was not found within %2 s").arg(line.computer).arg(line.seconds));
    const QString& name = target->m_name;
    std::optional<QString> hash;
    if (g_app.m_savePasswords) hash = ReadSavedHash(name);
    if (!hash && line.passwordStdin) {
        const std::optional<QString> password = ReadPasswordLine();
        if (!password) return Report(kExitUsage, QStringLiteral("no password on standard input"));
        hash = PasswordHash(*password);
    }
    if (!hash)
        return Report(
            kExitUsage,
            QStringLiteral("no saved password for %1; give it with --password-stdin").arg(name));

    const CLoginResult login = LogIn(target->m_address, target->m_port, *hash, g_app.m_challenge);
    const QString reached = QStringLiteral("%1 port %2")
                                .arg(QString::fromStdString(target->m_address))
                                .arg(ntohs(target->m_port));
    const QString where = name == QString::fromStdString(target->m_address)
                              ? reached
                              : QStringLiteral("%1 (%2)").arg(name, reached);
    switch (login.outcome) {
        case LoginOutcome::CannotConnect:
            return Report(kExitNoConnection, QStringLiteral("could not connect to %1").arg(where));
        case LoginOutcome::NoAnswer:
            return Report(kExitNoConnection,
                          QStringLiteral("%1 did not answer the login").arg(where));
        case LoginOutcome::Refused:
            platform::CloseSocket(login.socket);
            if (g_app.m_savePasswords) DeleteSavedHash(name);
            return Report(kExitRefused, QStringLiteral("%1 refused the password").arg(where));
        case LoginOutcome::Authorised: break;
    }
    if (g_app.m_savePasswords) WriteSavedHash(name, *hash);
    g_app.m_computers.push_back(*target);
    RememberComputer(g_app, int(g_app.m_computers.size()) - 1);

    const std::optional<QByteArray> message = CommandMessage(line.commandRow);
    const bool sent = message && platform::SendBytes(login.socket, *message);
    platform::CloseSocket(login.socket);
    if (!sent)
        return Report(kExitNoConnection,
                      QStringLiteral("the connection to %1 was lost").arg(where));
    return Report(
        kExitOk,
        QStringLiteral("%1 sent to %2").arg(QString::fromLatin1(message->constData()), where));
}

int Wake(const CCommandLine& line) {
    const std::optional<CComputerAddress> given = ParseComputerAddress(line.computer);
    const std::optional<CRememberedComputer> computer =
        FindRemembered(line.computer, given ? given->address : std::string());
    if (!computer)
        return Report(kExitNotFound,
                      QStringLiteral("%1 is not a remembered computer").arg(line.computer));
    if (!computer->mac)
        return Report(kExitNotFound, QStringLiteral("the network card's address of %1 is not "
                                                    "known; log in to it once while it is awake")
                                         .arg(computer->name));
    switch (platform::SendWakePacket(MagicPacket(*computer->mac), computer->address)) {
        case platform::WakeSendResult::Sent:
            return Report(kExitOk, QStringLiteral("wake-up sent to %1 (%2)")
                                       .arg(computer->name, platform::FormatMac(*computer->mac)));
        case platform::WakeSendResult::NoInterface:
            return Report(kExitNoConnection,
                          QStringLiteral("no network interface is up on the network of %1")
                              .arg(computer->name));
        case platform::WakeSendResult::SendFailed: break;
    }
    return Report(kExitNoConnection,
                  QStringLiteral("the wake-up to %1 could not be sent").arg(computer->name));
}

}  // namespace

int RunCommandLine(const CCommandLine& line) {
    switch (line.action) {
        case CliAction::Help: Print(CommandLineHelp().toUtf8()); return kExitOk;
        case CliAction::UsageError:
            std::fprintf(stderr, "dormo: %s (see dormo --help)\n", qPrintable(line.error));
            return kExitUsage;
        case CliAction::Gui: return kExitUsage;
        default: break;
    }
    platform::CRegistry registry(platform::CRegistry::DefaultPath());
    g_app.m_registry = &registry;
    LoadSettings(g_app);
    int code = kExitUsage;
    if (line.action == CliAction::List) code = List(line);
    if (line.action == CliAction::Send) code = Send(line);
    if (line.action == CliAction::Wake) code = Wake(line);
    g_app.m_computers.clear();
    g_app.m_registry = nullptr;
    return code;
}
