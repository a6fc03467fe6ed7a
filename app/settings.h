#pragma once

#include <QString>

class CApp;

// Loads SavePasswords and Hash from the product key into the application object. Returns the
// result of opening the key, else that of closing it; a value that cannot be read leaves its
// field unchanged.
long LoadSettings(CApp& app);

// Writes SavePasswords (1 or 0) and, when m_hash is not empty, Hash. Never deletes a value.
long SaveSettings(CApp& app);

// True unless the product key opens and FirstRunPassed reads into a 4-byte buffer.
bool IsFirstRunDue(CApp& app);

// The product key's REG_DWORD ConfirmCommands: whether a tapped command is asked about before
// it is sent. Off when absent or not a DWORD.
bool ConfirmCommandsSetting(CApp& app);
void SaveConfirmCommands(CApp& app, bool confirm);

// The product key's REG_SZ MdnsEngine: which mDNS engine discovery runs on, "daemon" or
// "embedded"; empty (chosen automatically) when absent or not text.
QString MdnsEngineSetting(CApp& app);
