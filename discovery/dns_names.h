#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A target host's name without its domain: the text before the second dot counted from the end
// ("deskpc.local." gives "deskpc", "lab.deskpc.local." gives "lab.deskpc"). The first character
// is never taken for a dot; names with fewer dots stay whole. Escapes are left as they came.
std::string CutDomain(std::string_view fullName);

// The first four bytes of an A record as dotted-quad text; empty when fewer bytes came.
std::string FormatAddress(const void* data, size_t length);
