#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>

// The messages of the TCP conversation with a Dormo Helper. Every message is 8-bit text and a NUL.

inline const QByteArray kConnectMessage = QByteArrayLiteral("Connect\0");
inline const QByteArray kPingMessage = QByteArrayLiteral("Ping\0");
inline constexpr char kAuthorisedReply[] = "Authorise : succeeded";
inline constexpr char kPongReply[] = "Ping : Pong";
// The helper puts this many bytes before the challenge in its reply to "Connect".
inline constexpr int kChallengeOffset = 8;
// Every reply is taken from at most this many bytes.
inline constexpr int kMaxReply = 1024;

// The text of a reply: what stands before its first NUL, or all of it when no NUL came.
QByteArray ReplyText(const QByteArray& reply);
// The challenge in a reply to "Connect"; empty when the reply holds no byte past the offset.
QByteArray ChallengeFromReply(const QByteArray& reply);
// "Authorise: ", the digits and a NUL.
QByteArray AuthoriseMessage(const QString& authorisationValue);
// The word and its NUL for a command row 0 to 4; nothing for any other row.
std::optional<QByteArray> CommandMessage(int row);
// The confirmation shown once a row's command went out.
QString CommandConfirmation(int row);

// How long the program waits for the network. A helper on the local link answers within
// milliseconds, so these only cut short what would otherwise hang the GUI thread for as long as
// TCP retries (minutes). The keep-alive waits a second between pings and a second for each pong,
// so a silent computer is reported lost after six cycles, at most about 12 s.
struct CConnectionLimits {
    std::chrono::milliseconds connect{5000};
    std::chrono::milliseconds reply{5000};
    std::chrono::milliseconds send{5000};
    std::chrono::milliseconds pingInterval{1000};
    std::chrono::milliseconds pong{1000};
};
