#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The helper's side of one client's conversation, without any socket: bytes in, bytes out. The
// server feeds it what arrives and sends what it returns, so tests can drive it directly.
class CHelperSession {
public:
    // Callbacks left unset do nothing; pings are then answered and passwords checked at once.
    struct Events {
        // A command word that an authorised client sent.
        std::function<void(const QByteArray& word)> onCommand;
        // One line for the log about this client.
        std::function<void(const QString& line)> onLog;
        // Whether pings are answered at the moment.
        std::function<bool()> answerPings;
        // Whether a password may be checked now; while not, the authorisation waits unanswered.
        std::function<bool()> mayCheckPassword;
        // The outcome of every password check.
        std::function<void(bool accepted)> onVerdict;
    };

    // passwordHash as PasswordHash gives it; challenge as sent after "Connect" (no NUL in it).
    CHelperSession(QString passwordHash, QByteArray challenge, Events events);

    // Takes received bytes and returns the replies to send. Messages end at a NUL; a message
    // longer than the limit without one, or a few messages that the protocol does not expect,
    // make the session end. Feeding nothing goes on with an authorisation that had to wait.
    QByteArray Feed(const QByteArray& bytes);
    // Set once the client must be dropped (refused, or sending garbage).
    bool ShouldClose() const { return m_close; }
    bool IsAuthorised() const { return m_authorised; }
    // An authorisation has come and waits until its password may be checked.
    bool IsWaiting() const { return m_waiting; }

    static constexpr int kMaxMessage = 1024;
    static constexpr int kMaxUnexpected = 3;

private:
    QByteArray Handle(const QByteArray& message);
    QByteArray Unexpected(const QString& what);

    const QString m_passwordHash;
    const QByteArray m_challenge;
    Events m_events;
    QByteArray m_pending;
    bool m_challengeSent = false;
    bool m_authorised = false;
    bool m_waiting = false;
    bool m_close = false;
    int m_unexpected = 0;
};

// A fresh challenge of 32 random hexadecimal digits.
QByteArray RandomChallenge();
