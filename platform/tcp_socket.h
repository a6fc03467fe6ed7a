#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Blocking IPv4 TCP client calls with time limits of the caller's choosing. Descriptors are
// plain ints; -1 means none.

enum class CSocketEvent { Readable, Writable };
using SocketClock = std::chrono::steady_clock;

// How a call waits for its socket: true once fd is ready for event; false when the deadline has
// passed or the waiter gave up. The call then stops waiting and returns what it has.
using SocketWait =
    std::function<bool(int fd, CSocketEvent event, SocketClock::time_point deadline)>;

// Waits in poll(), blocking the calling thread.
bool PollWait(int fd, CSocketEvent event, SocketClock::time_point deadline);

// Connects to address (dotted quad) and port (network byte order, used as given). Returns the
// connected socket, or -1 when the address is malformed, the connect fails or the limit passes.
// The socket's sends give up after sendLimit rather than blocking on a peer that never reads.
int ConnectTcp(const std::string& address, uint16_t portNetworkOrder,
               std::chrono::milliseconds connectLimit, std::chrono::milliseconds sendLimit,
               const SocketWait& wait = PollWait);

// One send of all bytes; never raises SIGPIPE. True when every byte was taken.
bool SendBytes(int fd, const QByteArray& bytes);

// Receives one NUL-terminated reply of at most maxBytes: reads until a NUL stands at or after
// byte textStart of the bytes received (the bytes before it may be anything, NULs included),
// maxBytes have come, the peer closes or fails, or the limit passes. Returns exactly the bytes
// that came (possibly none), including anything after the NUL that arrived with it.
QByteArray ReceiveReply(int fd, int maxBytes, std::chrono::milliseconds limit, int textStart = 0,
                        const SocketWait& wait = PollWait);

// Wakes any thread blocked on the socket (its sends and receives fail from then on) without
// freeing the descriptor, so it cannot be reused while another thread still holds it.
void ShutdownSocket(int fd);
void CloseSocket(int fd);

}  // namespace platform
