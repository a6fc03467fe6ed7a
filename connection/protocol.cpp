#include "connection/protocol.h"

QByteArray ReplyText(const QByteArray& reply) {
    const qsizetype end = reply.indexOf('\0');
    return end < 0 ? reply : reply.left(end);
}

QByteArray ChallengeFromReply(const QByteArray& reply) {
    if (reply.size() <= kChallengeOffset) return {};
    return ReplyText(reply.mid(kChallengeOffset));
}

QByteArray AuthoriseMessage(const QString& authorisationValue) {
    QByteArray message = QByteArray(kAuthorisePrefix) + authorisationValue.toLatin1();
    message.append('\0');
    return message;
}

std::optional<QByteArray> CommandMessage(int row) {
    if (row < 0 || row >= int(kCommandWords.size())) return std::nullopt;
    const char* word = kCommandWords[size_t(row)];
    return QByteArray(word, qsizetype(qstrlen(word) + 1));
}

QString CommandConfirmation(int row) {
    if (row < 0 || row >= int(kCommandWords.size())) return {};
    return QStringLiteral("%1 command sent").arg(QString::fromLatin1(kCommandWords[size_t(row)]));
}
