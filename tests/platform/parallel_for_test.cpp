// Work split over the cores: every index is worked on once, in pieces that keep their order,
// and a piece that throws (out of memory, say) has its exception come back to the caller once
// every thread has ended.
#include "platform/parallel_for.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <vector>

namespace vellisk {
namespace {

TEST(ParallelFor, EveryIndexOnceInOrderedPieces) {
    for (std::size_t count : {1u, 7u, 1000u}) {
        std::vector<std::atomic<int>> seen(count);
        std::vector<std::pair<std::size_t, std::size_t>> bounds(64, {0, 0});
        ParallelFor(count, 64, [&](std::size_t k, std::size_t begin, std::size_t end) {
            bounds[k] = {begin, end};
            for (std::size_t i = begin; i < end; ++i) ++seen[i];
        });
        for (const auto& s : seen) EXPECT_EQ(s.load(), 1);
        std::size_t next = 0;
        for (const auto& [begin, end] : bounds)
            if (end > begin) {
                EXPECT_EQ(begin, next);
                next = end;
            }
        EXPECT_EQ(next, count);
    }
}

TEST(ParallelFor, AThrowingPieceThrowsOnTheCallerAfterAllThreadsEnded) {
    std::atomic<int> running{0};
    EXPECT_THROW(ParallelFor(10000, 100,
                             [&](std::size_t k, std::size_t, std::size_t) {
                                 if (k == 3) throw std::bad_alloc();
                                 ++running;
                                 // Still at work when the throw comes back, unless joined.
                                 std::this_thread::sleep_for(std::chrono::milliseconds(2));
                                 --running;
                             }),
                 std::bad_alloc);
    EXPECT_EQ(running.load(), 0);
}

}  // namespace
}  // namespace vellisk
