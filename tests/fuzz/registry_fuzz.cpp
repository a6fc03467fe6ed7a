// Settings file text: whatever Parse accepts must write out text that reads back to the same.
#include "platform/registry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::CRegistry registry(QString{});
    if (!registry.Parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) return 0;
    const QByteArray written = registry.Serialise();
    platform::CRegistry again(QString{});
    if (!again.Parse(written) || again.Serialise() != written) std::abort();
    return 0;
}
