// The whole program against the simulated newer controller on a loopback TCP port: a drawing
// opened from the menu, START, the job streamed to the controller, Hold and Continue, exit.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>

#include "app/ui/main_form.h"
#include "app/ui/program_main.h"
#include "machine_operation/ui/tster.h"
#include "machine_link/machine_context.h"
#include "machine_link/trans_arm.h"
#include "platform/program_dir.h"
#include "settings/config_dialog.h"
#include "settings/settings_files.h"
#include "sim/controller_model.h"
#include "sim/tcp_controller.h"
#include "support/test_support.h"
#include "ui/event_loop.h"

using namespace vellisk;

namespace {

// The operator picks one drawing to open (no file dialog).
struct OneFile : ui::FramePicker {
    explicit OneFile(QString f) : file(std::move(f)) {}
    QString ChooseOpenFile(const QString&, const QString&, int* index) override {
        *index = 1;
        return file;
    }
    QString ChooseSaveFile(const QString&, const QString&, const QString&, int*) override { return {}; }
    QString file;
};

// A fresh program folder that names the machine at 127.0.0.1 and its model (so that the program
// takes the Ethernet link) and holds a 20 mm square, and the simulated controller behind that
// address on loopback ports; the program started in a test reads both.
struct MachineOnLoopback {
    explicit MachineOnLoopback(sim::ControllerModel& model, bool typFile = true)
        : here(dir.path()),
          controller(sim::ModelHooks(model)),
          programDir(kProgramDirVariable, dir.path().c_str()),
          commandPort("VELLISK_COMMAND_PORT", std::to_string(controller.CommandPort()).c_str()),
          identityPort("VELLISK_IDENTITY_PORT", std::to_string(controller.IdentityPort()).c_str()) {
        test::WriteFileBytes(dir / "DADudavu.txt", "127\r\n  0\r\n  0\r\n  1\r\n");
        if (typFile) test::WriteFileBytes(dir / "typ.txt", "PRV");
        test::WriteFileBytes(dir / "square.plt", "IN;SP1;PU400,400;PD1200,400,1200,1200,400,1200,400,400;PU;\n");
    }
    test::TempDir dir;
    test::CurrentFolder here;
    sim::TcpController controller;
    test::EnvVar programDir, commandPort, identityPort;
};

// The program started beside that machine, with the operator's "LAN connection" ticked in the
// configuration and the square as the drawing the operator picks to open.
struct ProgramBesideMachine {
    explicit ProgramBesideMachine(const MachineOnLoopback& machine)
        : picker(QString::fromStdString((machine.dir / "square.plt").string())) {
        program.Config().settings().SetFlag("cbEthernetConnection", true);
        frame.SetPicker(&picker);
    }
    ui::Program program{{"vellisk", "95", "USA"}};
    ui::TMainForm& frame = program.MainForm();
    OneFile picker;
};

}  // namespace

using test::LoopUntil;

TEST(ProgramEndToEnd, OpenStartHoldContinueAndExitAgainstTheSimulatedController) {
    sim::ControllerModel model;
    model.armController = true;
    model.model = "PRV";
    model.baseX = 50 * 100 * 10;  // 50 mm at 10 steps per 0.01 mm
    model.baseY = 50 * 100 * 10;
    // A small job buffer that drains as the host polls, so that the job takes a while to stream.
    model.bufferCapacity = 20;
    model.bufferSize = 20 + 101;
    model.drainPerStatusRead = 4;
    model.runningReadsAfterStart = 1000000;  // the machine runs the job until it is held
    MachineOnLoopback machine(model);
    const test::TempDir& dir = machine.dir;
    sim::TcpController& controller = machine.controller;

    ProgramBesideMachine started(machine);
    ui::Program& program = started.program;
    ui::TMainForm& frame = started.frame;
    std::string failure;
    std::string received;
    QTimer::singleShot(0, [&] {
        auto fail = [&](const std::string& why) {
            failure = why;
            program.Streamer().stop();  // else the close is refused while the job streams
            frame.close();
        };
        if (!LoopUntil([&] { return program.Context().EthernetConnected.load(); }))
            return fail("the program did not connect to the controller at " + program.Context().PlotterIP);
        frame.Item(ui::FrameItem::Open)->trigger();
        if (frame.Drawings().size() != 1) return fail("no drawing window");
        frame.Item(ui::FrameItem::Start)->trigger();
        if (!program.Streamer().Streaming()) return fail("START did not stream");
        auto logSize = [&] {
            auto lock = controller.Lock();
            return model.log.size();
        };
        const std::size_t started = logSize();
        if (!LoopUntil([&] { return logSize() > started + 40; })) return fail("the job does not flow");

        // Hold parks the machine ("Q"), Continue takes the job up again ("K").
        const std::size_t beforeHold = logSize();
        frame.Item(ui::FrameItem::Hold)->trigger();
        if (!program.Context().JobHeld) return fail("Hold did not hold the job");
        LoopUntil([] { return false; }, 200);
        frame.Item(ui::FrameItem::Continue)->trigger();
        if (program.Context().JobHeld) return fail("Continue did not take the job up");
        {
            auto lock = controller.Lock();
            auto sent = [&](const char* c) {
                return std::any_of(model.log.begin() + beforeHold, model.log.end(),
                                   [&](const sim::ReceivedCommand& r) { return r.bytes == c; });
            };
            if (!sent("Q") || !sent("K")) return fail("no \"Q\" and \"K\" for hold and continue");
        }
        if (!LoopUntil([&] { return !program.Streamer().Streaming(); }, 30000)) return fail("the job did not end");
        {
            auto lock = controller.Lock();
            received = model.StreamedJob();
        }
        frame.Item(ui::FrameItem::Exit)->trigger();
    });
    EXPECT_EQ(program.Run(), 0);
    ASSERT_TRUE(failure.empty()) << failure;

    // The controller has the whole job, byte for byte as "out.cnx".
    const std::string job = test::ReadFileBytes(dir / "out.cnx");
    ASSERT_FALSE(job.empty());
    EXPECT_TRUE(received == job) << "received " << received.size() << " bytes of " << job.size();

    // The state at exit.
    ASSERT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg").size(), 448u);
    GlobalState g;
    ASSERT_EQ(ReadGlobalStateFile(dir.path(), &g, nullptr), GlobalFileStatus::Read);
    EXPECT_EQ(g.OpenDir, dir.path().string());
    EXPECT_TRUE(g.Warstwy);
    EXPECT_TRUE(g.Punktywej);
    EXPECT_TRUE(std::filesystem::exists(dir / "Settings.vks"));
    EXPECT_TRUE(std::filesystem::exists(dir / "DADudavu.txt"));
}

// START's go-to to the job's zero takes long (the controller reports busy for seconds): the
// window stays alive during the wait, a timer on the GUI thread keeps its time, and the panel's
// STOP ends the go-to at once; the machine is told to stop and START sends nothing more.
TEST(ProgramEndToEnd, StartsGoToKeepsTheWindowAliveAndStopEndsIt) {
    sim::ControllerModel model;
    model.armController = true;
    model.model = "PRV";
    model.baseX = 50 * 100 * 10;
    model.baseY = 50 * 100 * 10;
    model.stepX = 300 * 100 * 10;  // far from the job's zero
    model.busyReadsPerMove = 800;  // about 8 s at a status read every 10 ms
    MachineOnLoopback machine(model);
    sim::TcpController& controller = machine.controller;

    ProgramBesideMachine started(machine);
    ui::Program& program = started.program;
    ui::TMainForm& frame = started.frame;
    std::string failure;
    qint64 latest = 0, stopAfter = -1, startTook = -1;
    std::vector<std::string> afterStop;
    QTimer::singleShot(0, [&] {
        if (!LoopUntil([&] { return program.Context().EthernetConnected.load(); })) failure = "no connection";
        frame.Item(ui::FrameItem::Open)->trigger();
        if (failure.empty() && frame.Drawings().size() != 1) failure = "no drawing window";
        if (!failure.empty()) {
            frame.close();
            return;
        }
        // A timer of 20 ms on the GUI thread: how late does it fire during the go-to?
        QElapsedTimer clock;
        QTimer beat;
        qint64 last = -1;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            if (last >= 0) latest = std::max(latest, now - last - 20);
            last = now;
        });
        std::size_t stopAt = 0;
        QTimer::singleShot(800, [&] {
            stopAfter = clock.elapsed();
            {
                auto lock = controller.Lock();
                stopAt = model.log.size();
            }
            program.PanelForm().findChild<QToolButton*>("kstop")->click();
        });
        clock.start();
        beat.start(20);
        frame.Item(ui::FrameItem::Start)->trigger();  // returns when the go-to has ended
        startTook = clock.elapsed();
        beat.stop();
        {
            auto lock = controller.Lock();
            for (std::size_t i = stopAt; i < model.log.size(); ++i)
                if (model.log[i].bytes != "X") afterStop.push_back(model.log[i].bytes);
        }
        frame.Item(ui::FrameItem::Exit)->trigger();
    });
    EXPECT_EQ(program.Run(), 0);
    ASSERT_TRUE(failure.empty()) << failure;
    ASSERT_GE(stopAfter, 0) << "STOP was never pressed: the window was frozen";
    EXPECT_LT(latest, 100) << "the GUI thread's timer was late by " << latest << " ms";
    EXPECT_LT(startTook - stopAfter, 500) << "START went on after STOP";
    EXPECT_EQ(afterStop, std::vector<std::string>{"Y"}) << "what START sent after STOP";
    EXPECT_FALSE(program.Streamer().Streaming());
}

// A first start beside an Ethernet machine, without "typ.txt": START right after the connection,
// the control panel never opened. The machine names itself before the job is made, so the job
// is made with its model's step sizes, the same job as where "typ.txt" named the model; and the
// model is kept for the next start.
TEST(ProgramEndToEnd, AFirstStartOnEthernetMakesTheJobForTheMachineThatAnswers) {
    auto startedJob = [](bool typFile, std::string* typ) {
        sim::ControllerModel model;
        model.armController = true;
        model.model = "PRV";
        model.baseX = 10 * 100 * 10;  // 10 mm (within the work area read with any model's steps)
        model.baseY = 10 * 100 * 10;
        MachineOnLoopback machine(model, typFile);
        ProgramBesideMachine started(machine);
        ui::Program& program = started.program;
        ui::TMainForm& frame = started.frame;
        std::string failure, received;
        QTimer::singleShot(0, [&] {
            if (!LoopUntil([&] { return program.Context().EthernetConnected.load(); })) failure = "no connection";
            frame.Item(ui::FrameItem::Open)->trigger();
            frame.Item(ui::FrameItem::Start)->trigger();
            if (failure.empty() && !LoopUntil([&] { return !program.Streamer().Streaming(); }, 30000))
                failure = "the job did not end";
            program.Streamer().stop();
            {
                auto lock = machine.controller.Lock();
                received = model.StreamedJob();
            }
            frame.Item(ui::FrameItem::Exit)->trigger();
        });
        EXPECT_EQ(program.Run(), 0);
        EXPECT_TRUE(failure.empty()) << failure;
        EXPECT_EQ(program.Context().ModelCode, "PRV");
        *typ = test::ReadFileBytes(machine.dir / "typ.txt");
        const std::string job = test::ReadFileBytes(machine.dir / "out.cnx");
        EXPECT_TRUE(!job.empty() && received == job) << "received " << received.size() << " of " << job.size();
        return job;
    };
    std::string typ;
    const std::string firstStart = startedJob(false, &typ);
    EXPECT_EQ(typ.substr(0, 3), "PRV");
    EXPECT_EQ(firstStart, startedJob(true, &typ));
}
