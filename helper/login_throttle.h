#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <unordered_map>

// Slows down password guessing per source address. The first refusals in a row cost nothing, as
// a person mistyping would make them; after that each refusal makes the address wait twice as
// long as the one before, up to a ceiling, before its next password is checked. An accepted
// password clears the address. The table holds a bounded number of addresses; a record is
// forgotten once its address has been left alone long enough.
class CLoginThrottle {
public:
    using Clock = std::chrono::steady_clock;

    struct Config {
        int freeRefusals = 2;
        std::chrono::milliseconds firstDelay{500};
        std::chrono::milliseconds maxDelay{std::chrono::minutes(5)};
        std::chrono::milliseconds forgetAfter{std::chrono::minutes(30)};
        size_t maxAddresses = 1024;
    };

    explicit CLoginThrottle(Config config) : m_config(config) {}

    // How long a password from address must wait before it is checked; zero when it may be now.
    Clock::duration Wait(uint32_t address, Clock::time_point now) const;
    // Records a refused password; returns the refusals in a row from that address.
    int Refused(uint32_t address, Clock::time_point now);
    void Accepted(uint32_t address) { m_records.erase(address); }
    size_t Size() const { return m_records.size(); }

private:
    struct Record {
        int refusals = 0;
        Clock::time_point until;
    };

    bool Forgotten(const Record& record, Clock::time_point now) const {
        return now >= record.until + m_config.forgetAfter;
    }
    void MakeRoom(Clock::time_point now);

    Config m_config;
    std::unordered_map<uint32_t, Record> m_records;
};
