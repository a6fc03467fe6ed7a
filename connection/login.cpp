#include "connection/login.h"

#include "connection/password_hash.h"
#include "platform/log.h"
#include "platform/tcp_socket.h"

CLoginResult LogIn(const std::string& address, uint16_t portNetworkOrder, const QString& hash,
                   QByteArray& challenge, const CConnectionLimits& limits) {
    const int socket = platform::ConnectTcp(address, portNetworkOrder, limits.connect, limits.send);
    if (socket < 0) {
        qCInfo(lcConnection) << "connect to" << address.c_str() << "failed";
        return {LoginOutcome::CannotConnect};
    }
    qCInfo(lcConnection) << "connected to" << address.c_str();
    platform::SendBytes(socket, kConnectMessage);
    const QByteArray challengeReply = platform::ReceiveReply(socket, kMaxReply, limits.reply);
    if (!challengeReply.isEmpty()) challenge = ChallengeFromReply(challengeReply);
    qCInfo(lcConnection) << "challenge of" << challenge.size() << "bytes";

    platform::SendBytes(socket, AuthoriseMessage(AuthorisationValue(hash, challenge)));
    const QByteArray verdict = platform::ReceiveReply(socket, kMaxReply, limits.reply);
    if (verdict.isEmpty() || ReplyText(verdict) != kAuthorisedReply) {
        platform::CloseSocket(socket);
        qCInfo(lcConnection) << (verdict.isEmpty() ? "no answer to the authorisation"
                                                   : "password refused");
        return {verdict.isEmpty() ? LoginOutcome::NoAnswer : LoginOutcome::Refused};
    }
    qCInfo(lcConnection) << "authorised";
    return {LoginOutcome::Authorised, socket};
}
