#pragma once

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>

// A hostile or odd computer written in a test: accepts one connection on 127.0.0.1 and runs the
// script on it on a thread of its own. Every wait is bounded, so a faulty client cannot hang it.
class CScriptedPeer {
public:
    explicit CScriptedPeer(std::function<void(CScriptedPeer&, int fd)> script)
        : m_script(std::move(script)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(m_listener, 1) == 0 &&
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            pollfd p{m_listener, POLLIN, 0};
            while (!m_stop && ::poll(&p, 1, 50) == 0) {
            }
            const int fd = m_stop ? -1 : ::accept(m_listener, nullptr, nullptr);
            if (fd < 0) return;
            m_script(*this, fd);
            ::close(fd);
        });
    }
    ~CScriptedPeer() {
        m_stop = true;
        Join();
        ::close(m_listener);
    }

    // Waits until the script has run to its end.
    void Join() {
        if (m_thread.joinable()) m_thread.join();
    }
    quint16 Port() const { return m_port; }

    // One message up to its NUL (without it), or what came before 5 s of silence.
    static QByteArray ReadMessage(int fd) {
        QByteArray message;
        char c;
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 5000) > 0 && ::recv(fd, &c, 1, 0) == 1 && c != '\0') message += c;
        return message;
    }
    static void Send(int fd, const QByteArray& bytes) {
        ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    }
    // Holds the connection open, reading nothing, until the test ends.
    void HoldUntilStopped() {
        while (!m_stop) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Answers Connect with the challenge "CH" and accepts whatever authorisation follows.
    static void Authorise(int fd) {
        ReadMessage(fd);
        Send(fd, QByteArray("12345678CH\0", 11));
        ReadMessage(fd);
        Send(fd, QByteArray("Authorise : succeeded\0", 22));
    }

private:
    std::function<void(CScriptedPeer&, int)> m_script;
    int m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
