#include "discovery/manual_computer.h"

#include "app/app.h"
#include "discovery/add_or_update.h"
#include "discovery/computer_list_model.h"

#include <QRegularExpression>

#include <arpa/inet.h>

namespace {

CManualComputerCheck Refuse(CManualField field, const QString& error) {
    return {std::nullopt, field, error};
}

// Dotted quads a computer cannot be reached at: this network, multicast, broadcast.
bool Reachable(const std::string& address) {
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) return false;
    const uint32_t value = ntohl(parsed.s_addr);
    return (value >> 24) != 0 && (value >> 28) != 0xE && value != 0xFFFFFFFFu;
}

bool IsHostName(const QString& text) {
    static const QRegularExpression name(
        QStringLiteral("^(?=.{1,253}\\.?$)([A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)"
                       "(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*\\.?$"));
    return name.match(text).hasMatch();
}

}  // namespace

CManualComputerCheck CheckManualComputer(const QString& name, const QString& address,
                                         const QString& port, const HostLookup& lookUp) {
    static const QRegularExpression digitsAndDots(QStringLiteral("^[0-9.]+$"));
    const QString computerName = name.trimmed();
    const QString host = address.trimmed();
    if (computerName.isEmpty())
        return Refuse(CManualField::Name, QStringLiteral("Enter a name for the computer."));
    if (host.isEmpty())
        return Refuse(CManualField::Address, QStringLiteral("Enter the computer's address."));
    in6_addr ipv6{};
    if (inet_pton(AF_INET6, host.toLatin1().constData(), &ipv6) == 1)
        return Refuse(CManualField::Address,
                      QStringLiteral("Dormo reaches computers over IPv4: enter an IPv4 address or "
                                     "a host name."));
    if (host.contains(u':'))
        return Refuse(CManualField::Address,
                      QStringLiteral("Enter the port in the Port box, not in the address."));
    // Numbers and dots are an address, never a name: the resolver would take "10.1" as 10.0.0.1.
    const bool literal = digitsAndDots.match(host).hasMatch();
    in_addr ipv4{};
    if (literal && inet_pton(AF_INET, host.toLatin1().constData(), &ipv4) != 1)
        return Refuse(CManualField::Address,
                      QStringLiteral("%1 is not an IPv4 address: give four numbers from 0 to 255 "
                                     "separated by dots.")
                          .arg(host));
    if (!literal && !IsHostName(host))
        return Refuse(CManualField::Address,
                      QStringLiteral("%1 is neither an IPv4 address nor a host name.").arg(host));

    bool numeric = false;
    const uint portNumber = port.trimmed().toUInt(&numeric);
    if (!numeric || portNumber < 1 || portNumber > 65535)
        return Refuse(CManualField::Port,
                      QStringLiteral("The port must be a number from 1 to 65535."));

    std::optional<std::string> resolved = host.toStdString();
    if (!literal) resolved = lookUp ? lookUp(host.toStdString()) : std::nullopt;
    if (!resolved)
        return Refuse(CManualField::Address,
                      QStringLiteral("%1 could not be found. Check the name, or enter the "
                                     "computer's IPv4 address.")
                          .arg(host));
    if (!Reachable(*resolved))
        return Refuse(CManualField::Address,
                      QStringLiteral("%1 cannot be the address of a computer.")
                          .arg(QString::fromStdString(*resolved)));
    return {CRememberedComputer{computerName, *resolved, uint16_t(portNumber), std::nullopt, true},
            CManualField::Name,
            {}};
}

bool AddManualComputer(CApp& app, const CRememberedComputer& computer) {
    if (!app.m_registry || !CRememberedComputers(*app.m_registry).Remember(computer)) return false;
    CComputerListModel noRows;
    ListManualComputer(app.m_listModel ? *app.m_listModel : noRows, app.m_computers, computer.name,
                       computer.address, htons(computer.port));
    return true;
}

void RemoveManualComputer(CApp& app, int entry) {
    if (entry < 0 || size_t(entry) >= app.m_computers.size() ||
        !app.m_computers[size_t(entry)].m_manual)
        return;
    if (app.m_registry)
        CRememberedComputers(*app.m_registry).Remove(app.m_computers[size_t(entry)].m_name);
    CComputerListModel noRows;
    UnlistManualComputer(app.m_listModel ? *app.m_listModel : noRows, app.m_computers, entry);
}
