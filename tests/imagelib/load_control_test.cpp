// The budget all loads share: a background load never takes what the
// window's thread needs, and stops when that thread is short.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "imagelib/load_control.h"
#include "tests/support/deadline.h"

namespace tervo::imagelib {
namespace {

TEST(LoadControl, BackgroundLoadsGiveWayToTheWindowsThread) {
    const int64_t total = process_memory_budget();
    std::atomic<bool> stop{false}, holding{false}, stopped{false}, refused{false};
    std::thread worker([&] {
        const BackgroundLoads background(stop);
        {
            const MemoryClaim held(total / 4 * 3);
            holding = held.bytes() > 0 && bool(held);
            // A load between rows, until told to stop.
            stopped = testing::wait_until([] { return load_stopped(); });
        }
        // While the window's thread holds most of it, no more for the worker.
        while (!refused && !stop) refused = !MemoryClaim(total / 4 * 3) && BackgroundLoads::take_gave_up();
    });
    if (!testing::wait_until([&] { return bool(holding); })) {
        stop = true;
        worker.join();
        FAIL() << "the worker got no memory";
    }
    {
        const MemoryClaim window(total / 2);  // does not fit beside the worker's
        EXPECT_TRUE(window);
        EXPECT_TRUE(stopped);
        EXPECT_EQ(memory_claimed(), total / 2);
        EXPECT_TRUE(testing::wait_until([&] { return bool(refused); }));
        EXPECT_FALSE(MemoryClaim(total));  // more than what is left: refused, not waited for
    }
    stop = true;
    worker.join();
    EXPECT_EQ(memory_claimed(), 0);
}

}  // namespace
}  // namespace tervo::imagelib
