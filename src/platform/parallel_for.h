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

// Works through [0, count) in batches of `batch`, each made on every core in pieces of `piece`
// and then followed, in order, by work that must see one batch after the other. While a batch
// is made, one thread follows the batch before it, so the cores do not wait for the following.
// For each batch in turn (batch number n, its range [first, first + size)):
//   start(n, first, size) on the calling thread before the batch is made (the front end's yield
//     and anything the pieces need set up);
//   make(n, index, begin, end) for each piece of it, `index` counted from 0 within the batch;
//   follow(n, first, size), on one thread, while batch n + 1 is made, or after the last batch.
// A batch's results must be kept apart from the next one's (by n % 2, say). An exception from
// any of them stops the work and is thrown again on the calling thread.
void ParallelBatches(std::size_t count, std::size_t batch, std::size_t piece,
                     const std::function<void(std::size_t n, std::size_t first, std::size_t size)>& start,
                     const std::function<void(std::size_t n, std::size_t index, std::size_t begin, std::size_t end)>& make,
                     const std::function<void(std::size_t n, std::size_t first, std::size_t size)>& follow);

}  // namespace vellisk
