#include "discovery/remembered_computers.h"

#include "app/app.h"
#include "platform/log.h"
#include "platform/mac_address.h"
#include "platform/registry.h"

#include <arpa/inet.h>

using namespace platform;

const QString kComputersKey = kProductKey + QStringLiteral("\\Computers");

namespace {

const QString kAddress = QStringLiteral("Address");
const QString kPort = QStringLiteral("Port");
const QString kMac = QStringLiteral("Mac");
const QString kManual = QStringLiteral("Manual");

bool NeedsEscape(char16_t c) {
    return c == u'%' || c == u'\\' || c == u'[' || c == u']' || c < 0x20 || c == 0x7F;
}

bool IsIpv4(const std::string& address) {
    in_addr parsed{};
    return inet_pton(AF_INET, address.c_str(), &parsed) == 1;
}

std::optional<uint32_t> ReadDword(const CRegKey& key, const QString& name) {
    uint8_t bytes[4];
    uint32_t type = 0, size = sizeof bytes;
    if (key.QueryValue(name, &type, bytes, &size) != ERROR_SUCCESS || type != REG_DWORD ||
        size != sizeof bytes)
        return std::nullopt;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24;
}

std::optional<uint16_t> ReadPort(const CRegKey& key) {
    const std::optional<uint32_t> value = ReadDword(key, kPort);
    if (!value || *value > 0xFFFF) return std::nullopt;
    return uint16_t(*value);
}

}  // namespace

QString CRememberedComputers::KeyName(const QString& name) {
    QString key;
    for (const QChar c : name) {
        if (NeedsEscape(c.unicode()))
            key +=
                QStringLiteral("%%1").arg(unsigned(c.unicode()), 2, 16, QLatin1Char('0')).toUpper();
        else
            key += c;
    }
    return key;
}

std::optional<QString> CRememberedComputers::NameFromKey(const QString& key) {
    QString name;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (key[i] != u'%') {
            name += key[i];
            continue;
        }
        if (i + 2 >= key.size()) return std::nullopt;
        const int high = HexDigit(key[i + 1]);
        const int low = HexDigit(key[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        name += QChar(char16_t(high * 16 + low));
        i += 2;
    }
    if (name.isEmpty()) return std::nullopt;
    return name;
}

std::vector<CRememberedComputer> CRememberedComputers::Load() const {
    std::vector<CRememberedComputer> computers;
    CRegKey list;
    if (m_registry.CreateKey(kComputersKey, &list) != ERROR_SUCCESS) return computers;
    QString keyName;
    for (uint32_t index = 0; list.EnumKey(index, &keyName) == ERROR_SUCCESS; ++index) {
        const std::optional<QString> name = NameFromKey(keyName);
        CRegKey key;
        QString address;
        if (!name || m_registry.CreateKey(kComputersKey + u'\\' + keyName, &key) != ERROR_SUCCESS ||
            !key.QueryString(kAddress, &address) || !IsIpv4(address.toStdString())) {
            qCWarning(lcSettings) << "skipping the remembered computer" << keyName;
            continue;
        }
        CRememberedComputer computer{*name, address.toStdString(), ReadPort(key).value_or(0), {}};
        QString mac;
        if (key.QueryString(kMac, &mac)) computer.mac = ParseMac(mac);
        computer.manual = ReadDword(key, kManual) == 1u;
        computers.push_back(computer);
    }
    qCDebug(lcSettings) << "loaded" << computers.size() << "remembered computers";
    return computers;
}

bool CRememberedComputers::Remember(const CRememberedComputer& computer) {
    if (computer.name.isEmpty()) return false;
    CRegKey key;
    if (m_registry.CreateKey(kComputersKey + u'\\' + KeyName(computer.name), &key) != ERROR_SUCCESS)
        return false;
    bool ok = key.SetString(kAddress, QString::fromStdString(computer.address)) == ERROR_SUCCESS;
    ok = key.SetDword(kPort, computer.port) == ERROR_SUCCESS && ok;
    if (computer.mac) ok = key.SetString(kMac, FormatMac(*computer.mac)) == ERROR_SUCCESS && ok;
    if (computer.manual) ok = key.SetDword(kManual, 1) == ERROR_SUCCESS && ok;
    qCDebug(lcSettings) << "remembered" << computer.name << computer.address.c_str()
                        << (computer.mac ? FormatMac(*computer.mac) : QStringLiteral("no MAC"));
    return ok;
}

void CRememberedComputers::Remove(const QString& name) {
    CRegKey list;
    if (m_registry.CreateKey(kComputersKey, &list) != ERROR_SUCCESS) return;
    list.DeleteKey(KeyName(name));
    qCDebug(lcSettings) << "removed the remembered computer" << name;
}

void CRememberedComputers::Forget() {
    CRegKey key;
    if (m_registry.CreateKey(kProductKey, &key) != ERROR_SUCCESS) return;
    key.DeleteKey(QStringLiteral("Computers"));
    qCDebug(lcSettings) << "forgot the remembered computers";
}
