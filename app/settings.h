#pragma once

class CApp;

// Loads SavePasswords and Hash from the product key into the application object. Returns the
// result of opening the key, else that of closing it; a value that cannot be read leaves its
// field unchanged.
long LoadSettings(CApp& app);

// Writes SavePasswords (1 or 0) and, when m_hash is not empty, Hash. Never deletes a value.
long SaveSettings(CApp& app);

// True unless the product key opens and FirstRunPassed reads into a 4-byte buffer.
bool IsFirstRunDue(CApp& app);
