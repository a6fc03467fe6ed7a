#pragma once

#include "connection/protocol.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

// How a login without a window ended.
enum class LoginOutcome { Authorised, CannotConnect, NoAnswer, Refused };

struct CLoginResult {
    LoginOutcome outcome = LoginOutcome::CannotConnect;
    int socket = -1;  // the authorised connection's socket; -1 unless Authorised
};

// Connects to address (dotted quad) and port (network byte order), sends "Connect", folds the
// challenge into the hash and proves it. challenge is updated by the reply to "Connect" and kept
// when none came, as the window does it. The caller closes an authorised socket.
CLoginResult LogIn(const std::string& address, uint16_t portNetworkOrder, const QString& hash,
                   QByteArray& challenge, const CConnectionLimits& limits = {});
