#include "helper/login_throttle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Clock = CLoginThrottle::Clock;
using std::chrono::hours;
using std::chrono::minutes;

const Clock::time_point kStart = Clock::time_point() + hours(1000);
constexpr uint32_t kGuesser = 1;
constexpr uint32_t kOther = 2;

TEST(LoginThrottle, RefusalsInARowCostAnAddressEverLongerWaitsThatEnd) {
    CLoginThrottle throttle({});
    Clock::time_point now = kStart;
    throttle.Refused(kGuesser, now);
    EXPECT_EQ(throttle.Wait(kGuesser, now), Clock::duration::zero()) << "a typo costs nothing";

    std::vector<Clock::duration> waits;
    for (int i = 0; i < 20; ++i) {
        throttle.Refused(kGuesser, now);
        waits.push_back(throttle.Wait(kGuesser, now));
        EXPECT_EQ(throttle.Wait(kOther, now), Clock::duration::zero());
        now += waits.back();
        EXPECT_EQ(throttle.Wait(kGuesser, now), Clock::duration::zero()) << "a wait ends";
    }
    EXPECT_GT(waits[2], waits[1]);
    EXPECT_GT(waits[3], waits[2]);
    EXPECT_GE(waits.back(), minutes(1));
    EXPECT_LE(waits.back(), hours(1));

    throttle.Accepted(kGuesser);
    throttle.Refused(kGuesser, now);
    EXPECT_EQ(throttle.Wait(kGuesser, now), Clock::duration::zero()) << "the right password clears";
    for (int i = 0; i < 5; ++i) throttle.Refused(kGuesser, now);
    EXPECT_EQ(throttle.Refused(kGuesser, now + hours(3)), 1) << "long quiet forgives";
}

TEST(LoginThrottle, ManyAddressesTakeBoundedRoomAndCannotWashAGuesserOut) {
    CLoginThrottle throttle({});
    for (int i = 0; i < 6; ++i) throttle.Refused(kGuesser, kStart);
    for (uint32_t address = 10; address < 5010; ++address) throttle.Refused(address, kStart);
    EXPECT_LE(throttle.Size(), 1024u);
    EXPECT_GT(throttle.Wait(kGuesser, kStart), Clock::duration::zero());
}

}  // namespace
