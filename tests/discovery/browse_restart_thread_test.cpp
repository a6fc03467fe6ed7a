#include "discovery/browse_restart_thread.h"

#include "app/app.h"
#include "discovery/discovery.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
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

TEST(BrowseRestartThread, TheApplicationObjectEndsItBeforeDroppingWhatItUses) {
    // A path that skips the orderly shutdown: the object goes with its restart thread running.
    std::atomic<bool> discoveryGone = false, inCycle = false, release = false;
    std::atomic<bool> cycleSawDiscoveryGone = false;
    struct CWatchedDiscovery : CDiscovery {
        explicit CWatchedDiscovery(std::atomic<bool>* gone) : CDiscovery(nullptr), m_gone(gone) {}
        ~CWatchedDiscovery() override { *m_gone = true; }
        std::atomic<bool>* m_gone;
    };
    auto app = std::make_unique<CApp>();
    app->m_dnsSd = nullptr;
    app->m_discovery = std::make_unique<CWatchedDiscovery>(&discoveryGone);
    app->m_restartThread = std::make_unique<CBrowseRestartThread>(
        [&] {
            if (inCycle.exchange(true)) return;
            while (!release) std::this_thread::sleep_for(1ms);
            cycleSawDiscoveryGone = discoveryGone.load();
        },
        1ms);
    while (!inCycle) std::this_thread::sleep_for(1ms);
    // The cycle under way finishes only after the destruction has had time to run ahead.
    std::thread releaser([&] {
        std::this_thread::sleep_for(100ms);
        release = true;
    });
    app.reset();
    releaser.join();
    EXPECT_FALSE(cycleSawDiscoveryGone);
    EXPECT_TRUE(discoveryGone);
}
