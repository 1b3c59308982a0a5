#pragma once
// Job control against the simulated controllers: a drawing loaded from disk into a project as
// the drawing window loads it, a recording control panel, and a main frame whose parallel-port
// transfer runs the transfer's ticks to the end as the modal dialog would.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/job_control.h"
#include "app/job_drawing.h"
#include "drawing_window/project.h"
#include "machine_link/lpt_transfer.h"
#include "machine_link/trans_arm.h"
#include "machine_operation/job_panel.h"
#include "settings/settings.h"
#include "sim/controller_model.h"

namespace vellisk::test {

class RecordingPanel : public JobPanel {
public:
    void Hold() override { calls.push_back("Hold"); }
    void Continue() override { calls.push_back("Continue"); }
    void EnableMotionControls(bool on) override { calls.push_back(on ? "Motion on" : "Motion off"); }
    void EnableSpeedPower(bool on) override { calls.push_back(on ? "SpeedPower on" : "SpeedPower off"); }
    void StopTimer() override {
        calls.push_back("StopTimer");
        timerOn = false;
    }
    void StartTimer() override {
        calls.push_back("StartTimer");
        timerOn = true;
    }
    void RefreshStatus() override {
        ++refreshes;
        if (onRefresh) onRefresh();
    }

    std::vector<std::string> calls;
    bool timerOn = true;
    std::atomic<int> refreshes{0};
    std::function<void()> onRefresh;
};

class FakeHost : public JobHost {
public:
    JobDrawing* ActiveDrawing() override { return drawing; }
    std::string OpenFileName() override { return "square.plt"; }
    bool UsbMachinePresent() override { return usbPresent; }
    int RunTransfer() override {
        ++transfers;
        timerOnDuringTransfer = panel && panel->timerOn;
        if (!transfer) return 2;
        transfer->Activate();
        int result = Ttransmisja::Running;
        for (int tick = 0; result == Ttransmisja::Running && tick < 100000; ++tick) result = transfer->Tick();
        transfer->Deactivate();
        return result;
    }

    JobDrawing* drawing = nullptr;
    Ttransmisja* transfer = nullptr;
    RecordingPanel* panel = nullptr;
    bool usbPresent = false;
    int transfers = 0;
    bool timerOnDuringTransfer = false;
};

// The commands of the log that change something (status, position, base and speed reads left
// out), from `from` on.
inline std::vector<std::string> Sent(const sim::ControllerModel& m, std::size_t from = 0) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < m.log.size(); ++i) {
        const std::string& c = m.log[i].bytes;
        if (c == "X" || c == "E" || c == "Z" || c == "O" || c.rfind("SX", 0) == 0) continue;
        out.push_back(c);
    }
    return out;
}

}  // namespace vellisk::test
