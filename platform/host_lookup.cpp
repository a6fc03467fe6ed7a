#include "platform/host_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// Shared by the waiting caller and the lookup thread, which may outlive the wait.
struct CLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<std::string> address;
};

std::optional<std::string> ResolveNow(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &results) != 0 || !results) return std::nullopt;
    std::optional<std::string> address;
    char text[INET_ADDRSTRLEN] = {};
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(results->ai_addr);
    if (results->ai_family == AF_INET &&
        inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr)
        address = text;
    freeaddrinfo(results);
    return address;
}

}  // namespace

std::optional<std::string> LookUpIpv4(const std::string& host, std::chrono::milliseconds limit) {
    auto lookup = std::make_shared<CLookup>();
    std::thread([lookup, host] {
        std::optional<std::string> address = ResolveNow(host);
        const std::lock_guard lock(lookup->mutex);
        lookup->address = std::move(address);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, limit, [&] { return lookup->finished; })) return std::nullopt;
    return lookup->address;
}

}  // namespace platform
