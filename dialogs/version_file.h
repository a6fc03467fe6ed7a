#pragma once

#include <optional>
#include <string>

// Whether the text of a version file ("major.minor", each side read as atoi reads a number)
// names a newer version than own; nothing when the text is not of that form.
std::optional<bool> IsNewerVersion(const std::string& fileText, const std::string& own);
