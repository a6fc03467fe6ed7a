#include "platform/mac_address.h"

namespace platform {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

bool IsUsableMac(const MacAddress& mac) {
    bool allZero = true;
    for (uint8_t byte : mac) allZero = allZero && byte == 0;
    // The group bit of the first byte marks broadcast and multicast addresses.
    return !allZero && (mac[0] & 0x01) == 0;
}

QString FormatMac(const MacAddress& mac) {
    QString text;
    for (size_t i = 0; i < mac.size(); ++i) {
        if (i) text += u':';
        text += QStringLiteral("%1").arg(unsigned(mac[i]), 2, 16, QLatin1Char('0'));
    }
    return text;
}

std::optional<MacAddress> ParseMac(QStringView text) {
    if (text.size() != 17) return std::nullopt;
    MacAddress mac{};
    for (qsizetype i = 0; i < 6; ++i) {
        if (i && text[i * 3 - 1] != u':') return std::nullopt;
        const int high = HexDigit(text[i * 3]);
        const int low = HexDigit(text[i * 3 + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        mac[size_t(i)] = uint8_t(high * 16 + low);
    }
    if (!IsUsableMac(mac)) return std::nullopt;
    return mac;
}

}  // namespace platform
