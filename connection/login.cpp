#include "connection/login.h"

#include "connection/password_hash.h"
#include "platform/log.h"
#include "platform/tcp_socket.h"

CLoginResult LogIn(const std::string& address, uint16_t portNetworkOrder, const QString& hash,
                   QByteArray& challenge, const CConnectionLimits& limits,
                   const platform::SocketWait& wait, const std::function<bool()>& givenUp) {
    const auto stopped = [&](int socket) {
        if (!givenUp || !givenUp()) return false;
        qCInfo(lcConnection) << "login given up";
        platform::CloseSocket(socket);
        return true;
    };

    const int socket =
        platform::ConnectTcp(address, portNetworkOrder, limits.connect, limits.send, wait);
    if (stopped(socket)) return {};
    if (socket < 0) {
        qCInfo(lcConnection) << "connect to" << address.c_str() << "failed";
        return {};
    }
    qCInfo(lcConnection) << "connected to" << address.c_str();

    platform::SendBytes(socket, kConnectMessage);
    const QByteArray challengeReply =
        platform::ReceiveReply(socket, kMaxReply, limits.reply, kChallengeOffset, wait);
    if (stopped(socket)) return {};
    // Without a reply the challenge of the previous connection stays in use.
    if (!challengeReply.isEmpty()) challenge = ChallengeFromReply(challengeReply);
    qCInfo(lcConnection) << "challenge of" << challenge.size() << "bytes";

    platform::SendBytes(socket, AuthoriseMessage(AuthorisationValue(hash, challenge)));
    const QByteArray verdict = platform::ReceiveReply(socket, kMaxReply, limits.reply, 0, wait);
    if (stopped(socket)) return {};
    if (verdict.isEmpty()) {
        // Closed or silent at the authorisation: a computer with no room for another client, or
        // one that stopped answering.
        qCInfo(lcConnection) << "no answer to the authorisation";
        platform::CloseSocket(socket);
        return {LoginOutcome::NoAnswer};
    }
    if (ReplyText(verdict) != kAuthorisedReply) {
        qCInfo(lcConnection) << "password refused";
        return {LoginOutcome::Refused, socket};
    }
    qCInfo(lcConnection) << "authorised";
    return {LoginOutcome::Authorised, socket};
}
