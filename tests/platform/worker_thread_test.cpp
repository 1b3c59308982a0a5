// The worker thread layer: a resume that comes while the worker is on its way to its pause is
// not lost, a resume without a pause is not kept for a later one, and a worker waiting on the
// GUI thread gives up once termination is asked, so that the GUI thread can join it.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/worker_thread.h"
#include "support/gui_loop.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

// Pauses once, with a step in between that the test controls.
class PausingWorker : public WorkerThread {
public:
    ~PausingWorker() override { TerminateAndJoin(); }
    std::atomic<bool> announced{false}, mayPause{false}, passed{false};

protected:
    void Execute() override {
        BeginPause();
        announced = true;
        while (!mayPause) std::this_thread::yield();
        PauseHere();
        passed = true;
    }
};

TEST(WorkerThread, ResumeBeforeThePauseIsNotLost) {
    PausingWorker w;
    w.Start();
    ASSERT_TRUE(test::WaitUntil([&] { return w.announced.load(); }));
    w.Resume();  // the operator's continue comes while the pause sequence still goes out
    w.mayPause = true;
    EXPECT_TRUE(test::WaitUntil([&] { return w.passed.load(); }));
}

TEST(WorkerThread, ResumeWithoutAPauseIsNotKept) {
    PausingWorker w;
    w.Resume();  // nothing to resume yet
    w.mayPause = true;
    w.Start();
    ASSERT_TRUE(test::WaitUntil([&] { return w.Paused(); }));
    EXPECT_FALSE(w.passed);
    w.Resume();
    EXPECT_TRUE(test::WaitUntil([&] { return w.passed.load(); }));
}

class SyncWorker : public WorkerThread {
public:
    ~SyncWorker() override { TerminateAndJoin(); }
    std::atomic<int> ran{0};
    std::atomic<bool> gaveUp{false};

protected:
    void Execute() override {
        while (!Terminated()) {
            if (!Synchronize([this] { ++ran; })) gaveUp = true;
        }
    }
};

TEST(WorkerThread, JoinWhileTheWorkerWaitsOnTheGuiThreadDoesNotDeadlock) {
    test::GuiLoop gui;
    SyncWorker w;
    w.SetDispatcher(&gui);
    w.Start();
    ASSERT_TRUE(gui.PumpUntil([&] { return w.ran.load() >= 3; }));
    // The GUI thread does not run the loop now: the worker waits in Synchronize.
    w.TerminateAndJoin();
    EXPECT_TRUE(w.Finished());
    const int ran = w.ran.load();
    gui.RunPending();  // work the worker gave up on is dropped
    EXPECT_EQ(w.ran.load(), ran);
}

}  // namespace
}  // namespace vellisk
