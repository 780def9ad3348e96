// MakeInOrder: pieces taken in order whatever order they are made in, never more held at
// once than allowed, and a failure anywhere ends the work without a piece taken after it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/parallel.h"

namespace icoforge {
namespace {

TEST(MakeInOrder, TakesInOrderAndHoldsNoMoreThanAllowed) {
    struct Case {
        std::size_t count, most_ahead;
        std::uint64_t most_weight;
        unsigned workers;
    };
    for (const Case c : {Case{200, 8, 1000, 4}, Case{50, 3, 5, 2}, Case{1, 1, 1, 3}, Case{0, 4, 4, 2}, Case{30, 100, 0, 4},
                         Case{40, 4, 10, 1}}) {
        // Piece i weighs i % 7; the later ones are made faster, so that they finish first.
        const auto weight = [](std::size_t i) { return std::uint64_t{i % 7}; };
        std::atomic<std::size_t> in_flight{0}, most_in_flight{0};
        std::atomic<std::uint64_t> held{0}, most_held{0};
        std::vector<std::size_t> taken;
        MakeInOrder(
            c.count, c.workers, c.most_ahead, c.most_weight, weight,
            [&](std::size_t i) {
                const std::size_t now = ++in_flight;
                const std::uint64_t weight_now = held += weight(i);
                for (std::size_t seen = most_in_flight; now > seen && !most_in_flight.compare_exchange_weak(seen, now);) {}
                for (std::uint64_t seen = most_held; weight_now > seen && !most_held.compare_exchange_weak(seen, weight_now);) {}
                std::this_thread::sleep_for(std::chrono::microseconds(50 * ((i * 7919) % 5)));
            },
            [&](std::size_t i) {
                --in_flight;
                held -= weight(i);
                taken.push_back(i);
            });
        ASSERT_EQ(taken.size(), c.count);
        for (std::size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(taken[i], i);
        EXPECT_LE(most_in_flight.load(), c.most_ahead) << c.count;
        // One piece is always let through, however heavy.
        EXPECT_LE(most_held.load(), std::max<std::uint64_t>(c.most_weight, 6)) << c.count;
    }
}

TEST(MakeInOrder, AFailureStopsTheWorkAndNothingAfterItIsTaken) {
    for (const bool in_make : {true, false}) {
        std::vector<std::size_t> taken;
        const auto run = [&] {
            MakeInOrder(
                100, 3, 10, 100, [](std::size_t) { return std::uint64_t{1}; },
                [&](std::size_t i) {
                    if (in_make && i == 40) throw std::runtime_error("make");
                },
                [&](std::size_t i) {
                    if (!in_make && i == 40) throw std::runtime_error("take");
                    taken.push_back(i);
                });
        };
        EXPECT_THROW(run(), std::runtime_error);
        ASSERT_LE(taken.size(), 40u);
        for (std::size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(taken[i], i);
        if (!in_make) {
            EXPECT_EQ(taken.size(), 40u);
        }
    }
}

}  // namespace
}  // namespace icoforge
