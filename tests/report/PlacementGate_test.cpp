#include "report/PlacementGate.h"
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace pv;

TEST(PlacementGate, AbandonedJobNeverPlacesItsArchive) {
    TPlacementGate gate;
    gate.Abandon();
    bool called = false;
    EXPECT_FALSE(gate.PlaceUnlessAbandoned([&] { return called = true; }));
    EXPECT_FALSE(called);
    EXPECT_TRUE(gate.Abandoned());
}

TEST(PlacementGate, PlacementResultComesThroughUntilAbandoned) {
    TPlacementGate gate;
    EXPECT_TRUE(gate.PlaceUnlessAbandoned([] { return true; }));
    EXPECT_FALSE(gate.PlaceUnlessAbandoned([] { return false; }));
    EXPECT_FALSE(gate.Abandoned());
}

// Regression: a window closed while the archive was being moved onto its final name let the
// process end halfway; the close now waits for the move under way.
TEST(PlacementGate, CloseDuringPlacementWaitsForItToFinish) {
    TPlacementGate gate;
    std::promise<void> entered;
    std::promise<void> release;
    std::atomic<bool> placed{false};
    std::thread worker([&] {
        gate.PlaceUnlessAbandoned([&] {
            entered.set_value();
            release.get_future().wait();
            placed = true;
            return true;
        });
    });
    entered.get_future().wait();
    auto closing = std::async(std::launch::async, [&] {
        gate.Abandon();
        return placed.load();
    });
    EXPECT_EQ(closing.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    release.set_value();
    EXPECT_TRUE(closing.get()) << "Abandon returned before the placement finished";
    worker.join();
}
