#include "machine_operation/tool_length.h"

#include <chrono>

#include "machine_operation/machine_moves.h"
#include "model/numeric.h"

namespace vellisk {

using namespace std::chrono_literals;

ToolLengthDialog::ToolLengthDialog(CommandLayer& layer, const ProgramEnvironment& env, Settings& settings)
    : layer_(layer), env_(env), settings_(settings) {}

ToolLengthDialog::View ToolLengthDialog::Activate() const {
    const MachineContext& ctx = layer_.Context();
    View v;
    if (ctx.ModelCode == "NZV") v.toolMax = 1500;
    v.probeEnabled = ctx.PlotState.Model.empty() || ctx.PlotState.Model[0] != 'D';
    v.toolMm = ctx.PlotState.BaseZ / 100;
    v.surfaceButtons = !ctx.PlotParams.Laser;
    return v;
}

void ToolLengthDialog::Ok(double toolMm) {
    layer_.Context().PlotState.BaseZ = RoundHalfEven(toolMm * 100);
    layer_.SendBaseZ();
}

bool ToolLengthDialog::MachineStopped() {
    MachineContext& ctx = layer_.Context();
    if (!layer_.ReadStatus()) return false;
    if (ctx.PlotState.Status & (kStatusBusy | kStatusRunningFromMemory)) {
        layer_.GetNotifier().Message(env_.Text(TextId::StopPlotterBeforeMeasurement), MessageKind::Error, Buttons::Ok,
                                     "");
        return false;
    }
    return true;
}

bool ToolLengthDialog::SurfaceTouch(bool material) {
    if (!MachineStopped()) return false;
    tplotstate& s = layer_.Context().PlotState;
    layer_.ReadPosition();
    s.BaseZ = material ? RoundHalfEven(settings_.Number(setting::AboveTable) * 100 - s.PosZ +
                                       settings_.Number(setting::MaterialThickness) * 100)
                       : RoundHalfEven(-s.PosZ);
    layer_.SendBaseZ();
    return true;
}

bool ToolLengthDialog::OnTable() { return SurfaceTouch(false); }
bool ToolLengthDialog::OnMaterial() { return SurfaceTouch(true); }

void ToolLengthDialog::ZToTop() {
    MachineContext& ctx = layer_.Context();
    const std::int32_t dz = RoundTo<std::int32_t>(-ctx.PlotState.PosZ * ctx.PlotParams.StepsZ, "move steps");
    const bool doubled = (!ctx.PlotState.Model.empty() && ctx.PlotState.Model[0] == '4') || ctx.ModelCode == "VW ";
    Send(layer_, DialogMove(ctx, doubled ? 2 : 1, 0, 0, dz));
}

bool ToolLengthDialog::Probe(UserInterrupt& interrupt) {
    MachineContext& ctx = layer_.Context();
    tplotstate& s = ctx.PlotState;
    const bool arm = ctx.PlotParams.ArmController != 0;
    if (!MachineStopped()) return false;
    BusyCursor busy(layer_.GetNotifier());
    layer_.ReadMachineInfo();
    ZToTop();
    const std::int32_t remembered = s.SetSpeeds[2];
    if (!WaitIdle(layer_)) return false;
    if (!arm) Send(layer_, "B4");
    if (!WaitIdle(layer_)) return false;
    layer_.ReadPosition();
    layer_.ReadPosition();
    if (!WaitIdle(layer_)) return false;

    // The probing move down to the plate; a key stops it where it is (a manual touch-off).
    if (!Send(layer_, "W")) return false;
    for (;;) {
        layer_.GetClock().Sleep(10ms);
        if (!layer_.ReadStatus()) return false;  // the link is gone: no base Z from nowhere
        if ((s.Status & kStatusBusy) == 0) break;
        if (interrupt.Poll()) {
            layer_.StopMotion();
            if (!WaitIdle(layer_)) return false;
            break;
        }
    }
    layer_.ReadPosition();
    const double plate = settings_.Number(setting::PlateThickness);
    const double base = settings_.Number(setting::AboveTable);
    const double material = settings_.Number(setting::MaterialThickness);
    switch (settings_.Choice(setting::PlatePosition)) {
        case 0: s.BaseZ = plate * 100 - s.PosZ; break;
        case 1: s.BaseZ = (base + plate) * 100 - s.PosZ; break;
        case 2: s.BaseZ = (material + base + plate) * 100 - s.PosZ; break;
        default: settings_.SetChoice(setting::PlatePosition, 0); break;
    }
    layer_.SendBaseZ();
    if (!WaitIdle(layer_)) return true;
    layer_.GetClock().Sleep(100ms);
    ZToTop();
    if (!WaitIdle(layer_)) return true;
    if (!arm) Send(layer_, "B4");
    if (!WaitIdle(layer_)) return true;
    layer_.SetSpeed(remembered);
    return true;
}

}  // namespace vellisk
