#include "dialogs/options_actions.h"

#include "app/app.h"
#include "app/settings.h"
#include "platform/registry.h"

using namespace platform;

void SaveOptions(CApp& app, bool savePasswords) {
    app.m_savePasswords = savePasswords;
    SaveSettings(app);
}

void DeleteSavedPasswords(CApp& app) {
    CRegKey key;
    if (app.m_registry->CreateKey(kProductKey, &key) != ERROR_SUCCESS) return;
    key.DeleteKey(QStringLiteral("SavedPasswords"));
}

void MarkFirstRunPassed(CApp& app) {
    CRegKey key;
    if (app.m_registry->CreateKey(kProductKey, &key) != ERROR_SUCCESS) return;
    key.SetDword(QStringLiteral("FirstRunPassed"), 1);
}
