#include "connection/protocol.h"

#include <array>

namespace {

struct Command {
    const char* word;
    const char* confirmation;
};
constexpr std::array<Command, 5> kCommands{{
    {"Dormo", "Dormo command sent"},
    {"Sleep", "Sleep command sent"},
    {"Restart", "Restart command sent"},
    {"Lock", "Lock command sent"},
    {"Hibernate", "Hibernate command sent"},
}};

}  // namespace

QByteArray ReplyText(const QByteArray& reply) {
    const qsizetype end = reply.indexOf('\0');
    return end < 0 ? reply : reply.left(end);
}

QByteArray ChallengeFromReply(const QByteArray& reply) {
    if (reply.size() <= kChallengeOffset) return {};
    return ReplyText(reply.mid(kChallengeOffset));
}

QByteArray AuthoriseMessage(const QString& authorisationValue) {
    QByteArray message = QByteArrayLiteral("Authorise: ") + authorisationValue.toLatin1();
    message.append('\0');
    return message;
}

std::optional<QByteArray> CommandMessage(int row) {
    if (row < 0 || row >= int(kCommands.size())) return std::nullopt;
    QByteArray message(kCommands[size_t(row)].word);
    message.append('\0');
    return message;
}

QString CommandConfirmation(int row) {
    if (row < 0 || row >= int(kCommands.size())) return {};
    return QString::fromLatin1(kCommands[size_t(row)].confirmation);
}
