#include "helper/log_limiter.h"

CLogLimiter::CLogLimiter(int burst, std::chrono::milliseconds interval,
                         std::function<void(const QString& line)> sink)
    : m_burst(burst),
      m_interval(interval),
      m_sink(std::move(sink)),
      m_tokens(burst),
      m_refilled(Clock::now()) {}

void CLogLimiter::Log(const QString& line, Clock::time_point now) {
    Flush(now);
    if (Take(now))
        m_sink(line);
    else
        ++m_heldBack;
}

void CLogLimiter::Flush(Clock::time_point now) {
    if (m_heldBack == 0 || !Take(now)) return;
    m_sink(
        QStringLiteral("%1 more lines about clients not logged in were left out").arg(m_heldBack));
    m_heldBack = 0;
}

bool CLogLimiter::Take(Clock::time_point now) {
    const auto earned = (now - m_refilled) / m_interval;
    if (earned > 0) {
        m_tokens = int(std::min<decltype(earned)>(m_burst, m_tokens + earned));
        m_refilled = m_tokens == m_burst ? now : m_refilled + earned * m_interval;
    }
    if (m_tokens == 0) return false;
    --m_tokens;
    return true;
}
