// Work split over the cores: every index is worked on once, in pieces that keep their order,
// and a piece that throws (out of memory, say) has its exception come back to the caller once
// every thread has ended. The worker threads are kept from one computation to the next; two
// computations at once, one inside another's piece, or one in a forked child all still end.
#include "platform/parallel_for.h"
#include "platform/prefault.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Sums 0..count-1 in parallel, each piece summing its part.
std::size_t ParallelSum(std::size_t count, std::size_t pieces) {
    std::atomic<std::size_t> sum{0};
    ParallelFor(count, pieces, [&](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) sum += i;
    });
    return sum.load();
}

TEST(ParallelFor, NestedConcurrentAndForkedComputationsEnd) {
    constexpr std::size_t kCount = 5000, kSum = kCount * (kCount - 1) / 2;
    // A piece that runs a computation of its own.
    std::atomic<int> inner{0};
    ParallelFor(16, 16, [&](std::size_t, std::size_t, std::size_t) {
        if (ParallelSum(kCount, 8) == kSum) ++inner;
    });
    EXPECT_EQ(inner.load(), 16);
    // Two threads, each running computations one after the other.
    std::atomic<int> right{0};
    auto many = [&] {
        for (int k = 0; k < 200; ++k)
            if (ParallelSum(kCount, 8) == kSum) ++right;
    };
    std::thread other(many);
    many();
    other.join();
    EXPECT_EQ(right.load(), 400);
    // A child made by fork has none of the parent's threads. (ThreadSanitizer refuses threads
    // in a child forked from a process with threads.)
#ifndef __SANITIZE_THREAD__
    const pid_t child = fork();
    if (child == 0) _exit(ParallelSum(kCount, 8) == kSum ? 0 : 1);
    ASSERT_GT(child, 0);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
}

// Batches are followed one after the other, in order, each once it is wholly made, while the
// next is made; an exception from the following comes back to the caller.
TEST(ParallelBatches, FollowsEachWholeBatchInOrder) {
    constexpr std::size_t kCount = 10000, kBatch = 1000;
    std::vector<std::atomic<int>> made(kCount);
    std::vector<std::size_t> followed, started;
    ParallelBatches(
        kCount, kBatch, 7, [&](std::size_t n, std::size_t, std::size_t) { started.push_back(n); },
        [&](std::size_t, std::size_t, std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) ++made[i];
        },
        [&](std::size_t n, std::size_t first, std::size_t size) {
            for (std::size_t i = first; i < first + size; ++i) ASSERT_EQ(made[i].load(), 1) << i;
            followed.push_back(n);
        });
    const std::vector<std::size_t> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(started, all);
    EXPECT_EQ(followed, all);
    EXPECT_THROW(ParallelBatches(
                     kCount, kBatch, 7, {}, [](std::size_t, std::size_t, std::size_t, std::size_t) {},
                     [](std::size_t n, std::size_t, std::size_t) {
                         if (n == 3) throw std::bad_alloc();
                     }),
                 std::bad_alloc);
}

// Making a large list's pages ready before it is written keeps what it holds, partly written or
// not, and its ends that share a page with other memory.
TEST(PrefaultForWriting, KeepsWhatTheMemoryHolds) {
    std::vector<std::uint32_t> list;
    list.reserve((12u << 20) / sizeof(std::uint32_t));
    list.resize(list.capacity() / 3);
    for (std::size_t i = 0; i < list.size(); ++i) list[i] = static_cast<std::uint32_t>(i * 2654435761u);
    PrefaultForWriting(list.data() + 1, list.capacity() * sizeof(std::uint32_t) - 7);
    for (std::size_t i = 0; i < list.size(); ++i)
        ASSERT_EQ(list[i], static_cast<std::uint32_t>(i * 2654435761u)) << i;
    list.resize(list.capacity(), 7u);
    EXPECT_EQ(list.back(), 7u);
    PrefaultForWriting(nullptr, 1u << 30);  // nothing to do
}

}  // namespace
}  // namespace vellisk
