#include "platform/BackgroundLoad.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

TEST(BackgroundLoadTest, ALoaderWaitsWhileHeldAndGoesOnOnceReleased)
{
    BackgroundLoad::holdUntilShown();
    std::atomic<int> passed{0};
    std::thread first([&passed] {
        BackgroundLoad::waitForTurn();
        ++passed;
    });
    std::thread second([&passed] {
        BackgroundLoad::waitForTurn();
        ++passed;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(passed, 0) << "a loader started while held back";

    BackgroundLoad::release();
    first.join();
    second.join();
    EXPECT_EQ(passed, 2);

    // Released stays released, and a second release changes nothing.
    BackgroundLoad::release();
    BackgroundLoad::waitForTurn();
}
