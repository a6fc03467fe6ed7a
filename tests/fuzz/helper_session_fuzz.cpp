// What a client sends the helper, in pieces: the first byte of every piece gives its length.
// Only a client that sent the right authorisation may have a command carried out.
#include "connection/password_hash.h"
#include "helper/helper_session.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString hash = PasswordHash(QStringLiteral("secret"));
    bool commanded = false;
    CHelperSession session(hash, QByteArrayLiteral("0123456789abcdef0123456789abcdef"),
                           {[&](const QByteArray&) { commanded = true; }, [](const QString&) {},
                            [] { return true; }, [] { return true; }, [](bool) {}});
    size_t pos = 0;
    while (pos < size && !session.ShouldClose()) {
        const size_t length = std::min<size_t>(data[pos], size - pos - 1);
        const QByteArray piece(reinterpret_cast<const char*>(data + pos + 1), qsizetype(length));
        pos += 1 + length;
        session.Feed(piece);
        if (commanded && !session.IsAuthorised()) std::abort();
    }
    return 0;
}
