#pragma once

#include <QString>

#include <chrono>
#include <functional>

// Bounds the rate of log lines that strangers can cause: a burst of lines goes through, then one
// per interval. What is held back is counted, and the count is logged once lines pass again.
class CLogLimiter {
public:
    using Clock = std::chrono::steady_clock;

    CLogLimiter(int burst, std::chrono::milliseconds interval,
                std::function<void(const QString& line)> sink);

    void Log(const QString& line, Clock::time_point now);
    // Logs the count of held-back lines as soon as that is allowed.
    void Flush(Clock::time_point now);

private:
    bool Take(Clock::time_point now);

    const int m_burst;
    const std::chrono::milliseconds m_interval;
    std::function<void(const QString& line)> m_sink;
    int m_tokens;
    Clock::time_point m_refilled;
    int m_heldBack = 0;
};
