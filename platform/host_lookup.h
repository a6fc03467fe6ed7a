#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace platform {

// The first IPv4 address (dotted quad) that the system's resolver gives for host, as the C
// library's name service configuration looks it up (hosts file, DNS, ...). Waits at most limit:
// a lookup still running then is left to finish on its own thread and its answer dropped.
// Nothing for a host that does not resolve to IPv4 in time.
std::optional<std::string> LookUpIpv4(const std::string& host, std::chrono::milliseconds limit);

}  // namespace platform
