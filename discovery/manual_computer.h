#pragma once

#include "discovery/remembered_computers.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

class CApp;

// Which field of "Add Computer..." a refusal is about.
enum class CManualField { Name, Address, Port };

// The outcome of checking what the user typed: the computer to add, or why not.
struct CManualComputerCheck {
    std::optional<CRememberedComputer> computer;  // manual, with an IPv4 address
    CManualField field = CManualField::Name;      // the refused field
    QString error;                                // the sentence to show
};

// Gives the IPv4 address (dotted quad) a host name resolves to, or nothing.
using HostLookup = std::function<std::optional<std::string>(const std::string& host)>;

// Checks the three fields, each without surrounding spaces: a name; an IPv4 address in dotted
// quads that a computer can have (not 0.0.0.0, broadcast or multicast) or a host name (letters,
// digits, hyphens, dots) that lookUp resolves to one; a port from 1 to 65535.
CManualComputerCheck CheckManualComputer(const QString& name, const QString& address,
                                         const QString& port, const HostLookup& lookUp);

// Stores a checked computer in the settings and lists it. False when the settings cannot be
// written; the computer is then not listed.
bool AddManualComputer(CApp& app, const CRememberedComputer& computer);

// The row menu's Remove: forgets the computer added by address of entry entry and takes it off
// the list.
void RemoveManualComputer(CApp& app, int entry);
