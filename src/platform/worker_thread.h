#pragma once
// Our small thread layer for the program's worker threads (the bitmap burn): a thread that is
// made first and started later, that can pause itself and be resumed from the GUI thread, that
// is asked to terminate and then joined, and that can have a piece of work run on the GUI
// thread while it waits ("synchronise").
//
// Rules that keep it safe:
//  - A pause is announced by the worker (BeginPause) before it does the work that ends in the
//    pause; a Resume that arrives in between is not lost. A Resume when no pause is announced
//    does nothing (it is not kept for a later pause).
//  - Terminate wakes a paused worker and ends any wait in Synchronize: a worker asked to end
//    never waits on the GUI thread, so the GUI thread can join it without a deadlock.
//  - Work handed to the GUI thread after the worker gave up on it is dropped, never run late.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace vellisk {

// Runs work on the GUI thread, later, in the order given. The front end posts to its event
// loop; tests run a loop of their own.
class GuiDispatcher {
public:
    virtual ~GuiDispatcher() = default;
    virtual void Post(std::function<void()> work) = 0;
};

class WorkerThread {
public:
    WorkerThread() = default;
    // Terminates and joins a thread still running.
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the thread on Execute (once).
    void Start();

    // --- from any thread ---
    // Takes a paused worker (or one about to pause) back up; nothing otherwise.
    void Resume();
    // Asks the worker to end and wakes it wherever it waits in this layer.
    void Terminate();
    bool Terminated() const { return terminated_.load(); }
    // Stopped when termination is asked: the worker hands it to its waits, which then end at once.
    std::stop_token StopToken() const { return stop_.get_token(); }
    // The worker has paused itself and waits for Resume.
    bool Paused() const;
    // Execute has returned.
    bool Finished() const { return finished_.load(); }
    // Terminate, then wait for the thread to end. Never call it from the worker itself.
    void TerminateAndJoin();

    // Where Synchronize sends its work (must be set before Start when Synchronize is used).
    void SetDispatcher(GuiDispatcher* dispatcher) { dispatcher_ = dispatcher; }

protected:
    // The thread body.
    virtual void Execute() = 0;

    // --- from the worker ---
    // Announces a pause: a Resume from now on ends it.
    void BeginPause();
    // Withdraws an announced pause (the worker decided not to pause after all).
    void CancelPause();
    // Waits until resumed or terminated (returns at once when a Resume came since BeginPause).
    void PauseHere();
    // Runs `work` on the GUI thread and waits for it; gives up (false) when termination is asked
    // or there is no dispatcher.
    bool Synchronize(std::function<void()> work);

private:
    enum class PauseState { Running, Pausing, Paused };
    struct SyncJob;

    std::thread thread_;
    GuiDispatcher* dispatcher_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    PauseState pause_ = PauseState::Running;
    std::atomic<bool> terminated_{false};
    std::stop_source stop_;
    std::atomic<bool> finished_{false};
    std::shared_ptr<SyncJob> syncJob_;  // the work the worker waits for, if any
};

}  // namespace vellisk
