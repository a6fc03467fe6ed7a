#include "app/settings.h"

#include "app/app.h"
#include "platform/registry.h"

#include <QLoggingCategory>

#include <cstring>

Q_DECLARE_LOGGING_CATEGORY(lcSettings)

using namespace platform;

long LoadSettings(CApp& app) {
    CRegKey key;
    if (const long rc = app.m_registry->CreateKey(kProductKey, &key); rc != ERROR_SUCCESS)
        return rc;
    uint32_t dword = 0;
    uint32_t size = sizeof dword;
    if (key.QueryValue(QStringLiteral("SavePasswords"), nullptr, &dword, &size) == ERROR_SUCCESS)
        app.m_savePasswords = dword != 0;
    QString hash;
    if (key.QueryString(QStringLiteral("Hash"), &hash)) app.m_hash = hash;
    qCDebug(lcSettings) << "loaded: SavePasswords" << app.m_savePasswords << "Hash"
                        << (app.m_hash.isEmpty() ? "absent" : "present");
    return key.Close();
}

long SaveSettings(CApp& app) {
    CRegKey key;
    if (const long rc = app.m_registry->CreateKey(kProductKey, &key); rc != ERROR_SUCCESS)
        return rc;
    key.SetDword(QStringLiteral("SavePasswords"), app.m_savePasswords ? 1 : 0);
    if (!app.m_hash.isEmpty()) key.SetString(QStringLiteral("Hash"), app.m_hash);
    qCDebug(lcSettings) << "saved: SavePasswords" << app.m_savePasswords;
    return key.Close();
}

bool IsFirstRunDue(CApp& app) {
    CRegKey key;
    if (app.m_registry->CreateKey(kProductKey, &key) != ERROR_SUCCESS) return true;
    uint8_t buffer[4];
    uint32_t size = sizeof buffer;
    return key.QueryValue(QStringLiteral("FirstRunPassed"), nullptr, buffer, &size) !=
           ERROR_SUCCESS;
}

bool ConfirmCommandsSetting(CApp& app) {
    CRegKey key;
    uint32_t type = REG_NONE;
    uint32_t value = 0;
    uint32_t size = sizeof value;
    return app.m_registry && app.m_registry->CreateKey(kProductKey, &key) == ERROR_SUCCESS &&
           key.QueryValue(QStringLiteral("ConfirmCommands"), &type, &value, &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && value != 0;
}

void SaveConfirmCommands(CApp& app, bool confirm) {
    CRegKey key;
    if (!app.m_registry || app.m_registry->CreateKey(kProductKey, &key) != ERROR_SUCCESS) return;
    key.SetDword(QStringLiteral("ConfirmCommands"), confirm ? 1 : 0);
    qCDebug(lcSettings) << "saved: ConfirmCommands" << confirm;
}

QString MdnsEngineSetting(CApp& app) {
    QString engine;
    CRegKey key;
    uint32_t type = REG_NONE;
    uint32_t size = 0;
    if (app.m_registry && app.m_registry->CreateKey(kProductKey, &key) == ERROR_SUCCESS &&
        key.QueryValue(QStringLiteral("MdnsEngine"), &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ)
        key.QueryString(QStringLiteral("MdnsEngine"), &engine);
    return engine;
}
