// A helper's reply as the client reads it from its socket: the bytes taken, the reply text and
// the challenge must stay within what arrived.
#include "connection/protocol.h"
#include "platform/tcp_socket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray sent(reinterpret_cast<const char*>(data),
                          qsizetype(std::min<size_t>(size, 4096)));
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return 0;
    if (write(pair[1], sent.constData(), size_t(sent.size())) != sent.size()) std::abort();
    shutdown(pair[1], SHUT_WR);
    const QByteArray reply =
        platform::ReceiveReply(pair[0], kMaxReply, std::chrono::milliseconds(100));
    close(pair[0]);
    close(pair[1]);
    if (reply.size() > kMaxReply || !sent.startsWith(reply)) std::abort();

    const QByteArray text = ReplyText(reply);
    if (text.contains('\0') || !reply.startsWith(text)) std::abort();
    const QByteArray challenge = ChallengeFromReply(reply);
    if (challenge.contains('\0') ||
        challenge.size() > std::max<qsizetype>(0, reply.size() - kChallengeOffset))
        std::abort();
    if (reply.size() <= kChallengeOffset && !challenge.isEmpty()) std::abort();
    return 0;
}
