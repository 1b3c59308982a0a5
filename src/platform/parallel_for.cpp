#include "platform/parallel_for.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vellisk {

unsigned ParallelThreads() {
    // The cores this process may run on (a container or a CPU set may give it fewer than the
    // machine has): a thread more than there are cores would make every computation wait for
    // the piece that shares one.
    static const unsigned threads = [] {
        cpu_set_t set;
        CPU_ZERO(&set);
        if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
            return static_cast<unsigned>(CPU_COUNT(&set));
        return std::max(1u, std::thread::hardware_concurrency());
    }();
    return threads;
}

namespace {

// Worker threads kept from one computation to the next, parked until the next one: a job is
// written in batches, and a thread started and ended for each of them cost more than the work of
// a small batch (the start itself, and a fresh allocation cache each time). A worker left idle
// for a while ends, and with it the buffers its computations kept for reuse (a very long figure
// leaves large ones), so that memory follows the work.
class WorkerPool {
public:
    // The process's pool, started on first use; null in a child process made by fork, which
    // has none of the parent's threads.
    static WorkerPool* Shared() {
        static WorkerPool pool;
        return getpid() == pool.owner_ ? &pool : nullptr;
    }

    ~WorkerPool() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        wake_.notify_all();
        for (auto& w : workers_) w->thread.join();
    }

    // Runs `work` on the calling thread and on up to `helpers` workers at once, and returns
    // when every one has left it. False, with nothing run, when the pool is in use (by another
    // thread, or by a piece of a computation it is running): the caller then does without it.
    bool Run(std::size_t helpers, const std::function<void()>& work) {
        if (inWorker_ || busy_.exchange(true)) return false;
        {
            std::unique_lock<std::mutex> lock(m_);
            // Workers that ended idle are joined (at once: they have returned) and replaced.
            for (auto it = workers_.begin(); it != workers_.end();) {
                if ((*it)->ended) {
                    (*it)->thread.join();
                    it = workers_.erase(it);
                } else {
                    ++it;
                }
            }
            try {
                while (workers_.size() < helpers) {
                    auto w = std::make_unique<Worker>();
                    Worker* self = w.get();
                    w->thread = std::thread([this, self] { Serve(*self); });
                    workers_.push_back(std::move(w));
                }
            } catch (...) {
                // No more threads to be had: the ones there are do the work.
            }
            job_ = &work;
            wanted_ = std::min(helpers, workers_.size());
            ++generation_;
        }
        wake_.notify_all();
        inWorker_ = true;
        work();
        inWorker_ = false;
        {
            // Workers that have not taken the job yet no longer may; the ones in it finish.
            std::unique_lock<std::mutex> lock(m_);
            job_ = nullptr;
            done_.wait(lock, [this] { return running_ == 0; });
        }
        busy_.store(false);
        return true;
    }

private:
    struct Worker {
        std::thread thread;
        bool ended = false;  // returned after waiting idle; joined by the next Run
    };
    static constexpr std::chrono::seconds kIdleEnd{2};

    WorkerPool() : owner_(getpid()) {}

    void Serve(Worker& self) {
        inWorker_ = true;
        std::uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(m_);
        for (;;) {
            const bool woken =
                wake_.wait_for(lock, kIdleEnd, [&] { return stop_ || (job_ && generation_ != seen); });
            if (stop_) return;
            if (!woken) {
                self.ended = true;
                return;
            }
            seen = generation_;
            if (wanted_ == 0) continue;
            --wanted_;
            ++running_;
            const std::function<void()>* work = job_;
            lock.unlock();
            (*work)();
            lock.lock();
            if (--running_ == 0) done_.notify_all();
        }
    }

    const pid_t owner_;
    std::atomic<bool> busy_{false};
    static thread_local bool inWorker_;
    std::mutex m_;
    std::condition_variable wake_, done_;
    std::vector<std::unique_ptr<Worker>> workers_;
    const std::function<void()>* job_ = nullptr;
    std::uint64_t generation_ = 0;
    std::size_t wanted_ = 0;
    std::size_t running_ = 0;
    bool stop_ = false;
};

thread_local bool WorkerPool::inWorker_ = false;

}  // namespace

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
    const std::function<void()> work = [&] {
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
    WorkerPool* pool = WorkerPool::Shared();
    if (!pool || !pool->Run(threads - 1, work)) {
        // The pool is busy or not there: threads of this computation's own.
        std::vector<std::thread> own;
        own.reserve(threads - 1);
        try {
            for (std::size_t t = 1; t < threads; ++t) own.emplace_back(work);
        } catch (...) {
            // No thread to be had: the threads that did start and this one do all the pieces.
        }
        work();
        for (auto& t : own) t.join();
    }
    if (error) std::rethrow_exception(error);
}

void ParallelBatches(std::size_t count, std::size_t batch, std::size_t piece,
                     const std::function<void(std::size_t n, std::size_t first, std::size_t size)>& start,
                     const std::function<void(std::size_t n, std::size_t index, std::size_t begin, std::size_t end)>& make,
                     const std::function<void(std::size_t n, std::size_t first, std::size_t size)>& follow) {
    batch = std::max<std::size_t>(batch, 1);
    piece = std::max<std::size_t>(piece, 1);
    std::size_t made = 0, madeFirst = 0, madeSize = 0;  // the batch made and not yet followed
    for (std::size_t first = 0, n = 0; first < count; first += batch, ++n) {
        const std::size_t size = std::min(batch, count - first);
        if (start) start(n, first, size);
        const std::size_t pieces = (size + piece - 1) / piece;
        const bool following = madeSize > 0;
        // Piece 0, the longest and so the first taken, follows the batch before; the others make.
        ParallelFor(pieces + 1, pieces + 1, [&](std::size_t k, std::size_t, std::size_t) {
            if (k == 0) {
                if (following && follow) follow(made, madeFirst, madeSize);
                return;
            }
            const std::size_t begin = first + (k - 1) * piece;
            make(n, k - 1, begin, std::min(first + size, begin + piece));
        });
        made = n;
        madeFirst = first;
        madeSize = size;
    }
    if (madeSize > 0 && follow) follow(made, madeFirst, madeSize);
}

}  // namespace vellisk
