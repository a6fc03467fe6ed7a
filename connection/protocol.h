#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

// The TCP conversation between Dormo and a Dormo Helper, written once for both sides. Every
// message is 8-bit text and a NUL.

// The DNS-SD service type a helper advertises, and the TCP port it listens on unless told
// otherwise.
inline constexpr char kServiceType[] = "_vh-dormo._tcp.";
inline constexpr uint16_t kDefaultPort = 4660;

// From the program: "Connect" asks for a challenge, "Authorise: " and the digits of the
// authorisation value prove the password, "Ping" asks for a pong, a command word asks for its
// command. The command words by row: 0 powers off, then Sleep, Restart, Lock, Hibernate.
inline constexpr char kConnectWord[] = "Connect";
inline constexpr char kAuthorisePrefix[] = "Authorise: ";
inline constexpr char kPingWord[] = "Ping";
inline constexpr std::array<const char*, 5> kCommandWords{"Dormo", "Sleep", "Restart", "Lock",
                                                          "Hibernate"};

// From the helper: the challenge after a prefix, the verdict on the authorisation, the pong.
inline constexpr char kChallengePrefix[] = "Connect:";
inline constexpr char kAuthorisedReply[] = "Authorise : succeeded";
inline constexpr char kRefusedReply[] = "Authorise : failed";
inline constexpr char kPongReply[] = "Ping : Pong";

// The two fixed messages with their NUL.
inline const QByteArray kConnectMessage(kConnectWord, sizeof kConnectWord);
inline const QByteArray kPingMessage(kPingWord, sizeof kPingWord);
// The program skips this many bytes of the reply to "Connect" to reach the challenge.
inline constexpr int kChallengeOffset = sizeof kChallengePrefix - 1;
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
