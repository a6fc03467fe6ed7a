#pragma once

#include <QByteArray>
#include <QString>

// The longest password Dormo sends, in UTF-16 units: the password edit uses no more than this,
// so a helper whose password is longer can never be logged in to.
inline constexpr int kMaxPasswordLength = 1022;

// MD5 of the text's UTF-8 bytes as 32 lower-case hexadecimal digits, first digest byte first.
QString MD5Hex(const QString& text);

// The hash a computer's password is known by: lower-cased one UTF-16 unit at a time, then MD5Hex.
// The copies it makes of the password are overwritten before they are freed.
QString PasswordHash(const QString& password);

// Overwrites the characters of text where they lie, in every string that shares them, then
// empties text. Text in read-only memory (literals) is only emptied.
void WipeText(QString& text);

// The value proving the password: MD5Hex of the hash followed by the challenge, each challenge
// byte widened with sign extension (0xE9 becomes U+FFE9), which is how every helper checks it.
QString AuthorisationValue(const QString& hash, const QByteArray& challenge);
