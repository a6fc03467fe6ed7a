#pragma once

#include <QString>

#include <optional>

// The saved password hashes, one per display name. These only touch the store: every caller
// decides by g_app.m_savePasswords whether the store may be used at all.

// The hash saved under a computer's display name, if any.
std::optional<QString> ReadSavedHash(const QString& name);
// Saves the hash under the display name, replacing any earlier one.
void WriteSavedHash(const QString& name, const QString& hash);
void DeleteSavedHash(const QString& name);

inline const QString kSavedPasswordsKey =
    QStringLiteral("Software\\Venholt\\Dormo\\SavedPasswords");
