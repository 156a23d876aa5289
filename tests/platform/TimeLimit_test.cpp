#include "platform/TimeLimit.h"
#include <gtest/gtest.h>
#include <future>
#include <stdexcept>
#include <string>

using namespace pv;
using namespace std::chrono_literals;

TEST(TimeLimit, FinishedWorkGivesItsResult) {
    const auto result = RunWithTimeLimit([] { return std::string("done"); }, 5s);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "done");
}

TEST(TimeLimit, ThrowingWorkGivesNothing) {
    const auto result = RunWithTimeLimit([]() -> int { throw std::runtime_error("x"); }, 5s);
    EXPECT_FALSE(result.has_value());
}

// Regression: a restore-point library that never answered held the report job for ever. The work
// stays blocked until after the call returns, so a call that waited for it would never return; the
// ctest timeout is the watchdog.
TEST(TimeLimit, StuckWorkIsAbandonedAfterTheLimit) {
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    auto finished = std::make_shared<std::promise<void>>();
    std::future<void> ended = finished->get_future();
    const auto result = RunWithTimeLimit(
        [released, finished] {
            released.wait();
            finished->set_value();
            return 1;
        },
        100ms);
    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(ended.wait_for(0s), std::future_status::timeout) << "returned after the work ended";
    // The abandoned work still owns what it uses and ends on its own once unblocked.
    release->set_value();
    ended.wait();
}
