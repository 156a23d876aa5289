#include "platform/TimeLimit.h"
#include <gtest/gtest.h>
#include <atomic>
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

// Regression: a restore-point library that never answered held the report job for ever.
TEST(TimeLimit, StuckWorkIsAbandonedAfterTheLimit) {
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const auto start = std::chrono::steady_clock::now();
    const auto result = RunWithTimeLimit(
        [released, finished] {
            released.wait();
            finished->store(true);
            return 1;
        },
        100ms);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(result.has_value());
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 5s);
    // The abandoned work still owns what it uses and ends on its own once unblocked.
    release->set_value();
    for (int i = 0; i < 500 && !finished->load(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(finished->load());
}
