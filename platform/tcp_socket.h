#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// Blocking IPv4 TCP client calls with time limits of the caller's choosing. Descriptors are
// plain ints; -1 means none.

// Connects to address (dotted quad) and port (network byte order, used as given). Returns the
// connected socket, or -1 when the address is malformed, the connect fails or the limit passes.
// The socket's sends give up after sendLimit rather than blocking on a peer that never reads.
int ConnectTcp(const std::string& address, uint16_t portNetworkOrder,
               std::chrono::milliseconds connectLimit, std::chrono::milliseconds sendLimit);

// One send of all bytes; never raises SIGPIPE. True when every byte was taken.
bool SendBytes(int fd, const QByteArray& bytes);

// Receives one NUL-terminated reply of at most maxBytes: reads until a NUL is among the bytes
// received, maxBytes have come, the peer closes or fails, or the limit passes. Returns exactly
// the bytes that came (possibly none), including anything after the NUL that arrived with it.
QByteArray ReceiveReply(int fd, int maxBytes, std::chrono::milliseconds limit);

// Wakes any thread blocked on the socket (its sends and receives fail from then on) without
// freeing the descriptor, so it cannot be reused while another thread still holds it.
void ShutdownSocket(int fd);
void CloseSocket(int fd);

}  // namespace platform
