#pragma once

#include "platform/network_interfaces.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The interfaces the helper advertises on: those named with --interface when any is, else every
// advertisable one.
std::vector<platform::CLinkInterface> AdvertisedInterfaces(const QStringList& names);

// The TXT string that lets Dormo wake this computer: "mac=" and the interfaces' hardware
// addresses (lower-case pairs joined by colons, several joined by commas), as many as fit in one
// TXT string of 255 bytes. Empty when there is none.
QByteArray MacTxt(const std::vector<platform::CLinkInterface>& interfaces);

// One log line per interface: whether it wakes the computer on a magic packet, and how to turn
// that on when it does not.
void LogWakeOnLan(const std::vector<platform::CLinkInterface>& interfaces,
                  const std::function<void(const QString&)>& log);

// How to turn Wake-on-LAN on, for --help.
extern const char kWakeOnLanHint[];
