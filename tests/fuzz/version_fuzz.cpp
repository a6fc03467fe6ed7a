// A version file's text against the program's version: never crashes, and a text that is
// newer than a version is never also older than it.
#include "dialogs/version_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<bool> newer = IsNewerVersion(text, "0.98");
    if (!newer || !*newer) return 0;
    // Newer than 0.98 means not older than it, read the other way round.
    if (IsNewerVersion("0.98", text) == std::optional<bool>(true)) std::abort();
    return 0;
}
