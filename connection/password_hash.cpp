#include "connection/password_hash.h"

#include <QCryptographicHash>

QString MD5Hex(const QString& text) {
    const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex());
}

QString PasswordHash(const QString& password) {
    QString lower = password;
    // Unit by unit, so a password's length never changes and surrogates pass untouched.
    for (QChar& unit : lower) unit = QChar(QChar::toLower(unit.unicode()));
    return MD5Hex(lower);
}

QString AuthorisationValue(const QString& hash, const QByteArray& challenge) {
    QString text = hash;
    text.reserve(hash.size() + challenge.size());
    for (const char byte : challenge) text.append(QChar(char16_t(int16_t(int8_t(byte)))));
    return MD5Hex(text);
}
