#pragma once

#include "platform/mac_address.h"

#include <optional>
#include <string>
#include <vector>

class CApp;

// The MAC to remember for a computer: among the addresses it advertises, the one that the
// kernel's neighbour table confirms for its address, else the first advertised; without any
// advertised, the neighbour table's. Nothing is sent on the network.
std::optional<platform::MacAddress> LearnMac(const std::vector<platform::MacAddress>& advertised,
                                             const std::string& address);

// Appends every remembered computer that is not listed yet to app.m_computers, as not heard in
// this run, so that it shows as sleeping until discovery reports it; one added by address is
// listed among the visible computers at once.
void LoadRememberedComputers(CApp& app);

// After a successful login to entry index entry of app.m_computers: remembers the computer in
// the settings with its address, port and learnt MAC, and marks the entry remembered.
void RememberComputer(CApp& app, int entry);

// Options' "Forget remembered computers" after a Yes: removes them from the settings, and the
// sleeping section from the list.
void ForgetRememberedComputers(CApp& app);
