#include "connection/saved_passwords.h"

#include "app/app.h"
#include "platform/log.h"
#include "platform/registry.h"

std::optional<QString> ReadSavedHash(const QString& name) {
    if (!g_app.m_registry) return std::nullopt;
    platform::CRegKey key;
    if (g_app.m_registry->CreateKey(kSavedPasswordsKey, &key) != platform::ERROR_SUCCESS)
        return std::nullopt;
    // Read whole, whatever its length: a stored value longer than any fixed buffer is kept as is.
    QString hash;
    if (!key.QueryString(name, &hash)) return std::nullopt;
    return hash;
}

void WriteSavedHash(const QString& name, const QString& hash) {
    if (!g_app.m_registry) return;
    platform::CRegKey key;
    if (g_app.m_registry->CreateKey(kSavedPasswordsKey, &key) != platform::ERROR_SUCCESS) return;
    if (key.SetString(name, hash) != platform::ERROR_SUCCESS)
        qCWarning(lcConnection) << "could not save the password hash for" << name;
}

void DeleteSavedHash(const QString& name) {
    if (!g_app.m_registry) return;
    platform::CRegKey key;
    if (g_app.m_registry->CreateKey(kSavedPasswordsKey, &key) != platform::ERROR_SUCCESS) return;
    key.DeleteValue(name);
}
