#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

// Milliseconds on a monotonic clock, wrapping at 2^32 like the tick count the list was built on;
// compare two of them only by unsigned subtraction.
inline uint32_t TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace platform
