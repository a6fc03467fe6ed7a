#include "helper/helper_session.h"

#include "connection/password_hash.h"
#include "connection/protocol.h"

#include <sys/random.h>

#include <array>

namespace {

QByteArray WithNul(const char* text) {
    return QByteArray(text, qsizetype(qstrlen(text) + 1));
}

// Equal without leaking through timing how many leading digits were right.
bool SameDigits(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i) difference |= uchar(a[i] ^ b[i]);
    return difference == 0;
}

// What may go into a log line of a message from a client: printable ASCII, shortened.
QString Printable(const QByteArray& message) {
    QString text;
    for (const char c : message.left(40)) text += (c >= 0x20 && c < 0x7f) ? QChar(c) : QChar('?');
    if (message.size() > 40) text += QStringLiteral("...");
    return text;
}

}  // namespace

QByteArray RandomChallenge() {
    std::array<unsigned char, 16> bytes{};
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n > 0) got += size_t(n);
    }
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex();
}

CHelperSession::CHelperSession(QString passwordHash, QByteArray challenge, Events events)
    : m_passwordHash(std::move(passwordHash)),
      m_challenge(std::move(challenge)),
      m_events(std::move(events)) {
    if (!m_events.onCommand) m_events.onCommand = [](const QByteArray&) {};
    if (!m_events.onLog) m_events.onLog = [](const QString&) {};
    if (!m_events.answerPings) m_events.answerPings = [] { return true; };
    if (!m_events.mayCheckPassword) m_events.mayCheckPassword = [] { return true; };
    if (!m_events.onVerdict) m_events.onVerdict = [](bool) {};
}

QByteArray CHelperSession::Feed(const QByteArray& bytes) {
    QByteArray out;
    m_pending += bytes;
    qsizetype end = -1;
    while (!m_close && (end = m_pending.indexOf('\0')) >= 0) {
        m_waiting = m_pending.startsWith(kAuthorisePrefix) && !m_events.mayCheckPassword();
        if (m_waiting) break;
        const QByteArray message = m_pending.left(end);
        m_pending.remove(0, end + 1);
        out += Handle(message);
    }
    // While an authorisation waits, what comes after it must fit in one message as well.
    const qsizetype unframed = m_waiting ? m_pending.size() - end - 1 : m_pending.size();
    if (!m_close && unframed > kMaxMessage) {
        m_events.onLog(QStringLiteral("message too long, closing"));
        m_close = true;
    }
    if (m_close) {
        m_pending.clear();
        m_waiting = false;
    }
    return out;
}

QByteArray CHelperSession::Handle(const QByteArray& message) {
    if (message == kConnectWord) {
        if (m_challengeSent) return Unexpected(QStringLiteral("connect again"));
        m_challengeSent = true;
        m_events.onLog(QStringLiteral("connect, challenge sent"));
        return kChallengePrefix + m_challenge + QByteArray(1, '\0');
    }
    if (message.startsWith(kAuthorisePrefix)) {
        const QByteArray expected = AuthorisationValue(m_passwordHash, m_challenge).toLatin1();
        const bool accepted = SameDigits(message.mid(sizeof kAuthorisePrefix - 1), expected);
        m_events.onVerdict(accepted);
        if (accepted) {
            m_authorised = true;
            m_events.onLog(QStringLiteral("authorised"));
            return WithNul(kAuthorisedReply);
        }
        m_close = true;
        return WithNul(kRefusedReply);
    }
    if (message == kPingWord) {
        if (!m_authorised) return Unexpected(QStringLiteral("ping before the authorisation"));
        if (!m_events.answerPings()) return {};
        return WithNul(kPongReply);
    }
    for (const QByteArray word : kCommandWords) {
        if (message != word) continue;
        if (!m_authorised)
            return Unexpected(QStringLiteral("command %1 refused: not authorised")
                                  .arg(QString::fromLatin1(word)));
        m_events.onLog(QStringLiteral("command %1").arg(QString::fromLatin1(word)));
        m_events.onCommand(word);
        return {};
    }
    return Unexpected(QStringLiteral("unknown message \"%1\"").arg(Printable(message)));
}

// Logs a message that has no place here; a few of them end the session, so that one client
// can neither flood the log nor keep trying its luck.
QByteArray CHelperSession::Unexpected(const QString& what) {
    const bool last = ++m_unexpected >= kMaxUnexpected;
    m_events.onLog(last ? what + QStringLiteral(", closing") : what);
    if (last) m_close = true;
    return {};
}
