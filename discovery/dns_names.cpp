#include "discovery/dns_names.h"

#include <cstdio>

std::string CutDomain(std::string_view fullName) {
    int dots = 0;
    for (size_t i = fullName.size(); i-- > 1;) {
        if (fullName[i] == '.' && ++dots == 2) return std::string(fullName.substr(0, i));
    }
    return std::string(fullName);
}

std::string FormatAddress(const void* data, size_t length) {
    if (!data || length < 4) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}
