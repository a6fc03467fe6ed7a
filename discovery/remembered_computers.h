#pragma once

#include "platform/mac_address.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class CRegistry;
}

// A computer that Dormo has logged in to, as the settings keep it.
struct CRememberedComputer {
    QString name;         // display name
    std::string address;  // IPv4 address it was last reached at, dotted quad
    uint16_t port = 0;    // TCP port, host byte order
    std::optional<platform::MacAddress> mac;
    bool manual = false;  // added by address: always listed, reached without discovery

    bool operator==(const CRememberedComputer&) const = default;
};

// The remembered computers: the product key's subkey Computers holds one subkey per display
// name with REG_SZ Address, REG_DWORD Port, REG_SZ Mac (lower-case pairs joined by colons) and,
// for a computer added by address, REG_DWORD Manual = 1.
// Names are stored with '%', '\\', '[', ']' and control characters written as %XX, so every
// name makes exactly one subkey.
class CRememberedComputers {
public:
    explicit CRememberedComputers(platform::CRegistry& registry) : m_registry(registry) {}

    // Every remembered computer in stored order. One without a readable name or IPv4 address is
    // skipped; a Port that is not a DWORD up to 65535 reads as 0, a Mac that is not a usable
    // address as unknown; Manual counts only as a DWORD of 1.
    std::vector<CRememberedComputer> Load() const;
    // Stores one computer, replacing what was kept under its name. Without a MAC the one kept
    // before stays, and so does a Manual mark: a later login never turns a computer added by
    // address into a discovered one. False for an empty name or when the settings cannot be
    // written.
    bool Remember(const CRememberedComputer& computer);
    // Removes one computer with everything kept under its name.
    void Remove(const QString& name);
    // Removes the Computers subkey with everything in it.
    void Forget();

    static QString KeyName(const QString& name);
    static std::optional<QString> NameFromKey(const QString& key);

private:
    platform::CRegistry& m_registry;
};

// The settings path of the Computers subkey.
extern const QString kComputersKey;
