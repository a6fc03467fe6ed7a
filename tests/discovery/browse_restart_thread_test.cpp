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
}

TEST(BrowseRestartThread, StopDoesNotWaitForTheInterval) {
    std::atomic<int> cycles = 0;
    {
        // With an hour's interval, a stop that waited for it would hang the test.
        CBrowseRestartThread thread([&] { ++cycles; }, std::chrono::hours(1));
    }
    EXPECT_EQ(cycles, 0);
}
