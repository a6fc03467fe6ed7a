#include "helper/login_throttle.h"

#include <algorithm>

CLoginThrottle::Clock::duration CLoginThrottle::Wait(uint32_t address,
                                                     Clock::time_point now) const {
    const auto it = m_records.find(address);
    if (it == m_records.end() || it->second.until <= now) return Clock::duration::zero();
    return it->second.until - now;
}

int CLoginThrottle::Refused(uint32_t address, Clock::time_point now) {
    auto it = m_records.find(address);
    if (it != m_records.end() && Forgotten(it->second, now)) {
        m_records.erase(it);
        it = m_records.end();
    }
    if (it == m_records.end()) {
        MakeRoom(now);
        it = m_records.emplace(address, Record{0, now}).first;
    }
    Record& record = it->second;
    ++record.refusals;
    const int doublings = record.refusals - m_config.freeRefusals - 1;
    Clock::duration delay = Clock::duration::zero();
    if (doublings >= 0)
        delay = doublings >= 30 ? m_config.maxDelay
                                : std::min<Clock::duration>(
                                      m_config.firstDelay * (1LL << doublings), m_config.maxDelay);
    record.until = std::max(record.until, now) + delay;
    return record.refusals;
}

void CLoginThrottle::MakeRoom(Clock::time_point now) {
    if (m_records.size() < m_config.maxAddresses) return;
    std::erase_if(m_records, [&](const auto& entry) { return Forgotten(entry.second, now); });
    if (m_records.size() < m_config.maxAddresses) return;
    // Still full: the address whose wait ends first loses its record.
    const auto first = std::min_element(
        m_records.begin(), m_records.end(),
        [](const auto& a, const auto& b) { return a.second.until < b.second.until; });
    m_records.erase(first);
}
