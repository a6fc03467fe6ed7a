#include "dialogs/version_file.h"

#include <cstdlib>

namespace {

// atoi's rule (white space, sign, digits) but with strtol, which saturates instead of
// overflowing on a long run of digits.
long PartValue(const std::string& part) {
    return std::strtol(part.c_str(), nullptr, 10);
}

struct Version {
    long major = 0;
    long minor = 0;
};

// Splits at the first dot; false when either side is empty.
bool ParseVersion(const std::string& text, Version* version) {
    const auto dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == text.size()) return false;
    version->major = PartValue(text.substr(0, dot));
    version->minor = PartValue(text.substr(dot + 1));
    return true;
}

}  // namespace

std::optional<bool> IsNewerVersion(const std::string& fileText, const std::string& own) {
    Version file;
    if (!ParseVersion(fileText, &file)) return std::nullopt;
    Version mine;
    if (!ParseVersion(own, &mine)) return false;
    return file.major > mine.major || (file.major == mine.major && file.minor > mine.minor);
}
