#pragma once
// The GUI thread's event loop for tests of worker threads: work posted by a worker waits in a
// queue until the test's own thread (standing for the GUI thread) runs it in PumpUntil.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/worker_thread.h"

namespace vellisk::test {

class GuiLoop : public GuiDispatcher {
public:
    void Post(std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
        cv_.notify_all();
    }

    // Runs posted work until `done` holds (true) or `ms` milliseconds have passed (false).
    template <typename Pred>
    bool PumpUntil(Pred done, int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            RunPending();
            if (done()) return true;
            if (std::chrono::steady_clock::now() > end) return false;
            std::unique_lock lock(mutex_);
            cv_.wait_for(lock, std::chrono::milliseconds(1), [this] { return !queue_.empty(); });
        }
    }

    void RunPending() {
        for (;;) {
            std::function<void()> work;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty()) return;
                work = std::move(queue_.front());
                queue_.pop_front();
            }
            work();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace vellisk::test
