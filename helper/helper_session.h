#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The helper's side of one client's conversation, without any socket: bytes in, bytes out. The
// server feeds it what arrives and sends what it returns, so tests can drive it directly.
class CHelperSession {
public:
    struct Events {
        // A command word that an authorised client sent.
        std::function<void(const QByteArray& word)> onCommand;
        // One line for the log about this client.
        std::function<void(const QString& line)> onLog;
        // Whether pings are answered at the moment.
        std::function<bool()> answerPings;
    };

    // passwordHash as PasswordHash gives it; challenge as sent after "Connect" (no NUL in it).
    CHelperSession(QString passwordHash, QByteArray challenge, Events events);

    // Takes received bytes and returns the replies to send. Messages end at a NUL; a message
    // longer than the limit without one makes the session end.
    QByteArray Feed(const QByteArray& bytes);
    // Set once the client must be dropped (refused, or sending garbage without end).
    bool ShouldClose() const { return m_close; }
    bool IsAuthorised() const { return m_authorised; }

    static constexpr int kMaxMessage = 1024;

private:
    QByteArray Handle(const QByteArray& message);

    const QString m_passwordHash;
    const QByteArray m_challenge;
    Events m_events;
    QByteArray m_pending;
    bool m_authorised = false;
    bool m_close = false;
};

// A fresh challenge of 32 random hexadecimal digits.
QByteArray RandomChallenge();
