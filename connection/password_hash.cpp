#include "connection/password_hash.h"

#include <QCryptographicHash>

#include <algorithm>

QString MD5Hex(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    const QByteArray digest = QCryptographicHash::hash(utf8, QCryptographicHash::Md5);
    utf8.fill('\0');
    return QString::fromLatin1(digest.toHex());
}

QString PasswordHash(const QString& password) {
    QString lower = password;
    // Unit by unit, so a password's length never changes and surrogates pass untouched.
    for (QChar& unit : lower) unit = QChar(QChar::toLower(unit.unicode()));
    const QString hash = MD5Hex(lower);
    WipeText(lower);
    return hash;
}

void WipeText(QString& text) {
    // Literals and raw data have no allocated capacity; heap buffers do.
    if (text.capacity() > 0)
        std::fill_n(const_cast<QChar*>(text.constData()), text.size(), QChar());
    text.clear();
}

QString AuthorisationValue(const QString& hash, const QByteArray& challenge) {
    QString text = hash;
    text.reserve(hash.size() + challenge.size());
    for (const char byte : challenge) text.append(QChar(char16_t(int16_t(int8_t(byte)))));
    return MD5Hex(text);
}
