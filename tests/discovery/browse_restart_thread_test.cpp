#include "discovery/browse_restart_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

TEST(BrowseRestartThread, CyclesUntilStoppedAndNeverAfter) {
    std::atomic<int> cycles = 0;
    CBrowseRestartThread thread([&] { ++cycles; }, 1ms);
    while (cycles < 3) std::this_thread::sleep_for(1ms);
    thread.Stop();
    const int atStop = cycles;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(cycles, atStop);
    thread.Stop();
    // With an hour's interval, a stop that waited for it would hang the test.
    CBrowseRestartThread idle([&] { ++cycles; }, std::chrono::hours(1));
    idle.Stop();
    EXPECT_EQ(cycles, atStop);
}
