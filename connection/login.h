#pragma once

#include "connection/protocol.h"
#include "platform/tcp_socket.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

// How a login ended.
enum class LoginOutcome { Authorised, CannotConnect, NoAnswer, Refused };

struct CLoginResult {
    LoginOutcome outcome = LoginOutcome::CannotConnect;
    int socket = -1;  // open when Authorised or Refused, and then the caller's to close; else -1
};

// Connects to address (dotted quad) and port (network byte order), sends "Connect", folds the
// challenge into the hash and proves it. challenge is updated by the reply to "Connect" and kept
// when none came. Every wait for the network goes through wait; givenUp, asked after each one,
// stops the login there with its socket closed (outcome CannotConnect).
CLoginResult LogIn(const std::string& address, uint16_t portNetworkOrder, const QString& hash,
                   QByteArray& challenge, const CConnectionLimits& limits = {},
                   const platform::SocketWait& wait = platform::PollWait,
                   const std::function<bool()>& givenUp = {});
