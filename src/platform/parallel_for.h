#pragma once
// Splits a large computation over the processor's cores: the range [0, count) is cut into
// pieces that worker threads take in turn, the calling thread working along. Every thread is
// joined before ParallelFor returns, so results written per piece are complete and visible
// then. An exception thrown by a piece (running out of memory, say) stops the pieces not yet
// begun and is thrown again on the calling thread once all threads have ended.
#include <cstddef>
#include <functional>

namespace vellisk {

// The number of threads ParallelFor uses at most (the processor's cores, at least 1).
unsigned ParallelThreads();

// Runs piece(index, begin, end) for consecutive pieces of [0, count), `pieces` of them at
// most, index 0 covering the lowest part. With one piece, or one core, all runs on the calling
// thread.
void ParallelFor(std::size_t count, std::size_t pieces,
                 const std::function<void(std::size_t index, std::size_t begin, std::size_t end)>& piece);

}  // namespace vellisk
