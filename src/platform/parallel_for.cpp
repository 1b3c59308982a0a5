#include "platform/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vellisk {

unsigned ParallelThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

void ParallelFor(std::size_t count, std::size_t pieces,
                 const std::function<void(std::size_t index, std::size_t begin, std::size_t end)>& piece) {
    if (count == 0) return;
    pieces = std::clamp<std::size_t>(pieces, 1, count);
    const std::size_t threads = std::min<std::size_t>(ParallelThreads(), pieces);
    auto bounds = [&](std::size_t k) { return count / pieces * k + std::min(k, count % pieces); };
    if (threads <= 1) {
        for (std::size_t k = 0; k < pieces; ++k) piece(k, bounds(k), bounds(k + 1));
        return;
    }

    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorLock;
    auto work = [&] {
        for (;;) {
            const std::size_t k = next.fetch_add(1);
            if (k >= pieces || failed.load()) return;
            try {
                piece(k, bounds(k), bounds(k + 1));
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorLock);
                if (!error) error = std::current_exception();
                failed.store(true);
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    try {
        for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (...) {
        // No thread to be had: the threads that did start and this one do all the pieces.
    }
    work();
    for (auto& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}

}  // namespace vellisk
