#pragma once

#include <QString>

class QIODevice;

namespace platform {

// Fetches a URL over HTTP or HTTPS into a device, giving up within fixed bounds so that a
// server that accepts and then never answers cannot hold the GUI thread for long.
class CDownloader {
public:
    struct Limits {
        long connectSeconds = 10;   // TCP (and TLS) set-up
        long totalSeconds = 20;     // the whole transfer, connect included
        qint64 maxBytes = 1 << 20;  // a larger body is a failure, not a full disk
    };

    CDownloader() = default;
    explicit CDownloader(Limits limits) : m_limits(limits) {}
    virtual ~CDownloader() = default;

    const Limits& GetLimits() const { return m_limits; }

    // Writes the body of a 2xx answer to out. False on any failure: bad URL, other scheme,
    // refused or timed-out connection, an HTTP error status, a short write or a body too large.
    virtual bool Download(const QString& url, QIODevice* out) const;

private:
    Limits m_limits;
};

}  // namespace platform
