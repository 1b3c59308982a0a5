#include "platform/worker_thread.h"

namespace vellisk {

// One piece of work handed to the GUI thread. The GUI side runs it only if the worker still
// waits for it; the worker stops waiting when it is done or termination is asked.
struct WorkerThread::SyncJob {
    std::mutex mutex;
    std::condition_variable done;
    std::function<void()> work;
    bool cancelled = false;
    bool finished = false;
};

WorkerThread::~WorkerThread() {
    // A subclass must join in its own destructor (Execute is gone by now); this is the last
    // safety net so that a joinable thread never reaches std::thread's destructor.
    TerminateAndJoin();
}

void WorkerThread::Start() {
    if (thread_.joinable() || finished_.load()) return;
    thread_ = std::thread([this] {
        Execute();
        finished_.store(true);
    });
}

void WorkerThread::Resume() {
    std::lock_guard lock(mutex_);
    if (pause_ == PauseState::Running) return;
    pause_ = PauseState::Running;
    wake_.notify_all();
}

void WorkerThread::Terminate() {
    std::shared_ptr<SyncJob> job;
    {
        std::lock_guard lock(mutex_);
        terminated_.store(true);
        stop_.request_stop();
        job = syncJob_;
        wake_.notify_all();
    }
    if (job) {
        std::lock_guard lock(job->mutex);
        job->cancelled = true;
        job->done.notify_all();
    }
}

bool WorkerThread::Paused() const {
    std::lock_guard lock(mutex_);
    return pause_ == PauseState::Paused;
}

void WorkerThread::TerminateAndJoin() {
    Terminate();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void WorkerThread::BeginPause() {
    std::lock_guard lock(mutex_);
    pause_ = PauseState::Pausing;
}

void WorkerThread::CancelPause() {
    std::lock_guard lock(mutex_);
    pause_ = PauseState::Running;
}

void WorkerThread::PauseHere() {
    std::unique_lock lock(mutex_);
    if (pause_ == PauseState::Pausing) pause_ = PauseState::Paused;
    wake_.wait(lock, [this] { return pause_ != PauseState::Paused || terminated_.load(); });
    pause_ = PauseState::Running;
}

bool WorkerThread::Synchronize(std::function<void()> work) {
    if (!dispatcher_ || terminated_.load()) return false;
    auto job = std::make_shared<SyncJob>();
    job->work = std::move(work);
    {
        std::lock_guard lock(mutex_);
        if (terminated_.load()) return false;
        syncJob_ = job;
    }
    dispatcher_->Post([job] {
        std::function<void()> work;
        {
            std::lock_guard lock(job->mutex);
            if (job->cancelled) return;
            work = std::move(job->work);
        }
        work();
        std::lock_guard lock(job->mutex);
        job->finished = true;
        job->done.notify_all();
    });
    bool finished;
    {
        std::unique_lock lock(job->mutex);
        job->done.wait(lock, [&] { return job->finished || job->cancelled; });
        finished = job->finished;
        job->cancelled = true;  // from now on the GUI side must not start it
    }
    std::lock_guard lock(mutex_);
    syncJob_.reset();
    return finished;
}

}  // namespace vellisk
