#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>

namespace platform {

// The UDP port (discard) that wake-up packets are sent to.
constexpr uint16_t kWakePort = 9;

enum class WakeSendResult { Sent, NoInterface, SendFailed };

// Sends packet by UDP to port 9 on the interface through which the kernel reaches address (a
// dotted quad): to that interface's directed broadcast address, to 255.255.255.255 on that
// interface alone, and to address itself. NoInterface when no interface that is up and running
// leads there (loopback does not count), SendFailed when not one of the sends went out. Nothing
// is sent on any other interface.
WakeSendResult SendWakePacket(const QByteArray& packet, const std::string& address);

}  // namespace platform
