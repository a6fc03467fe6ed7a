#include "discovery/txt_record.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>

std::vector<platform::MacAddress> MacsFromTxt(const unsigned char* txt, size_t length) {
    std::vector<platform::MacAddress> macs;
    if (!txt) return macs;
    // A TXT record is a run of strings, each behind a length byte.
    for (size_t at = 0; at < length;) {
        const size_t size = txt[at];
        if (at + 1 + size > length) return {};
        const QByteArray entry(reinterpret_cast<const char*>(txt + at + 1), qsizetype(size));
        at += 1 + size;
        if (!entry.toLower().startsWith("mac=")) continue;
        for (const QByteArray& text : entry.mid(4).split(',')) {
            const auto mac = platform::ParseMac(QString::fromLatin1(text.trimmed()));
            if (mac && std::find(macs.begin(), macs.end(), *mac) == macs.end())
                macs.push_back(*mac);
        }
        // Only the first occurrence of a key counts.
        break;
    }
    return macs;
}
