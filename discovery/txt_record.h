#pragma once

#include "platform/mac_address.h"

#include <cstddef>
#include <vector>

// The hardware addresses that a helper publishes in its TXT record under the key "mac": six
// colon-joined hexadecimal pairs each, several joined by commas. Malformed or unusable addresses
// are skipped; a record without the key, or a malformed record, gives none.
std::vector<platform::MacAddress> MacsFromTxt(const unsigned char* txt, size_t length);
