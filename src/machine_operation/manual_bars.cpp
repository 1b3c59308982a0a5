// The panel's speed and power bars: the operator's moves (each sends the new speed or spindle
// value), the +/- keys, and the bars following what the machine reports (which sends nothing).
#include "machine_operation/manual_control.h"

#include <algorithm>
#include <cmath>

#include "model/numeric.h"
#include "settings/number_text.h"
#include "settings/settings.h"

namespace vellisk {

void ManualControl::ShowBars() {
    s_.view->ShowSpeedBar(speedBar_);
    s_.view->ShowPowerBar(powerBar_);
}

void ManualControl::SelectModel() {
    SelectMachineModel(s_.ctx, s_.env, s_.notifier);
    const tplotparams& p = s_.ctx.PlotParams;
    speedBar_.SetRange(p.MinFeed, p.DirectSpeedBar ? p.MaxSpeed : p.SpeedBarMax);
    s_.view->ShowSpeedBar(speedBar_);
}

void ManualControl::ShowMachineBars() {
    MachineContext& ctx = s_.ctx;
    const tplotparams& p = ctx.PlotParams;
    const std::int32_t v = ctx.PlotState.SpindleValue;
    if (p.Laser) {
        powerBar_.SetRange(0, 1000);
        powerBar_.largeChange = 100;
        powerBar_.smallChange = 4;
        s_.view->SetText(PanelText::PowerBox, s_.env.Text(TextId::PanelPowerPolish));
        s_.view->SetText(PanelText::PowerBarHint, s_.env.Text(TextId::PanelPowerBarHint));
        s_.view->SetText(PanelText::SpindleHint, s_.env.Text(TextId::PanelLaserHint));
        SetPowerPosition(static_cast<std::int32_t>(RoundHalfEven(v * 1000.0 / 256.0)));
    } else if (ctx.ArmLink) {
        powerBar_.SetRange(30, 240);
        powerBar_.largeChange = 10;
        powerBar_.smallChange = 1;
        SetPowerPosition(v);
    } else {
        powerBar_.SetRange(0, 100);
        SetPowerPosition(static_cast<std::int32_t>(RoundHalfEven(v * 100.0 / 255.0)));
    }
    PScrollLabel();
    s_.view->ShowPowerBar(powerBar_);

    s_.layer.ReadSpeeds();
    std::int32_t max = p.MaxSpeed;
    if (!p.DirectSpeedBar)
        max = p.SpeedBarMax;
    else if (ctx.PlotState.SpeedSet == 1)
        max = s_.settings.Flag(setting::Smoothing) ? p.MaxSmoothSpeed : p.MaxWorkSpeed;
    speedBar_.SetRange(speedBar_.min, max);
    s_.view->ShowSpeedBar(speedBar_);
    if (ctx.PlotState.Speed != 0) {
        const std::int32_t s = ctx.TimerToSpeed(ctx.PlotState.Speed);
        ShowMachineSpeed(p.DirectSpeedBar ? s : SpeedToSpeedBar(s));
    }
}

// ---- the operator's moves -------------------------------------------------------------

bool ManualControl::SetSpeedPosition(std::int32_t p) {
    if (!speedBar_.MoveTo(p)) return false;
    s_.view->ShowSpeedBar(speedBar_);
    VScrollChange();
    return true;
}

void ManualControl::SetPowerPosition(std::int32_t p) {
    if (!powerBar_.MoveTo(p)) return;
    s_.view->ShowPowerBar(powerBar_);
    PScrollChange();
}

void ManualControl::SpeedBarMoved(std::int32_t position) {
    if (!display_.Enabled(PanelControl::SpeedBox) || !s_.LinkFree()) {
        s_.view->ShowSpeedBar(speedBar_);
        return;
    }
    SetSpeedPosition(position);
}

void ManualControl::PowerBarMoved(std::int32_t position) {
    if (!display_.Enabled(PanelControl::PowerBox) || !s_.LinkFree()) {
        s_.view->ShowPowerBar(powerBar_);
        return;
    }
    SetPowerPosition(position);
}

void ManualControl::VScrollChange() {
    // The handler moves the bar itself (rounding, limits), which runs it again: only the
    // outermost run sends, and only when the operator moved the bar. A bar that shows the
    // machine's own speed sends nothing: during a job the speed set in force changes from figure
    // to figure, and a speed sent back would land in whichever set is in force at that moment.
    const ScopedFlag outermost(speedChanging_);
    const bool send = outermost && !showingMachineSpeed_;
    const tplotstate& s = s_.ctx.PlotState;
    const tplotparams& p = s_.ctx.PlotParams;
    const std::int32_t pos = speedBar_.position;
    auto label = [&](double shown) {
        s_.view->SetText(PanelText::SpeedLabel,
                         FormatFixedNumber(MmToUnit(s_.env.LengthUnit, shown), 0, LocaleDecimalSeparator()));
    };
    if (p.DirectSpeedBar) {
        const double d = s.SpeedSet == 3 && p.StepsZ != 0 ? p.StepsZ : 1.0;
        auto rounded = [&](std::int32_t step) {
            return RoundToStep(static_cast<std::int32_t>(RoundHalfEven(pos / d)), step);
        };
        struct Band {
            std::int32_t below, step, large, small;
        };
        static constexpr Band kBands[] = {
            {1000, 10, 100, 10}, {5000, 100, 1000, 100}, {10000, 500, 1000, 500}, {30001, 1000, 2000, 1000}};
        if (pos < 100) {
            label(pos / d);
            speedBar_.largeChange = 10;
            speedBar_.smallChange = 1;
        } else {
            for (const Band& b : kBands) {
                if (pos < b.below) {
                    label(rounded(b.step));
                    speedBar_.largeChange = b.large;
                    speedBar_.smallChange = b.small;
                    break;
                }
            }
        }
        s_.view->ShowSpeedBar(speedBar_);
        if (send) SendSpeed(pos);
        return;
    }

    const double d = s.SpeedSet == 3 && !p.ArmController && p.StepsZ != 0 ? p.StepsZ : 1.0;
    const std::int32_t v = SpeedBarToSpeed(pos);
    struct Band {
        std::int32_t below, step, large, small;
    };
    static constexpr Band kBands[] = {{100, 0, 10, 1},     {1000, 10, 10, 1},     {5000, 100, 10, 1},
                                      {10000, 500, 10, 5}, {20000, 1000, 20, 10}, {50001, 2000, 40, 20}};
    std::int32_t step = 0;
    for (const Band& b : kBands) {
        if (v < b.below) {
            step = b.step;
            speedBar_.largeChange = b.large;
            speedBar_.smallChange = b.small;
            break;
        }
    }
    const std::int32_t v2 = step ? RoundToStep(v, step) : v;
    const double shown = step == 0         ? v
                         : p.ArmController ? v2
                                           : RoundToStep(static_cast<std::int32_t>(RoundHalfEven(v / d)), step);
    std::int32_t np = SpeedToSpeedBar(v2);
    if (SpeedBarToSpeed(np) < p.MinFeed) np = SpeedToSpeedBar(p.MinFeed);
    SetSpeedPosition(np);
    label(shown);
    if (s.SpeedSet == 1 && s_.settings.Flag(setting::Smoothing) &&
        SpeedBarToSpeed(speedBar_.position) > p.MaxSmoothSpeed)
        SetSpeedPosition(SpeedToSpeedBar(p.MaxSmoothSpeed));
    s_.view->ShowSpeedBar(speedBar_);
    if (send) SendSpeed(SpeedBarToSpeed(speedBar_.position));
}

void ManualControl::PScrollLabel() {
    const std::int32_t pos = powerBar_.position;
    std::string text;
    if (s_.ctx.PlotParams.Laser)
        text = pos >= 996 ? "100" : FormatFixedNumber(pos / 10.0, 1, LocaleDecimalSeparator());
    else if (s_.ctx.ArmLink)
        text = std::to_string(pos * 100);
    else
        text = std::to_string(pos);
    s_.view->SetText(PanelText::PowerLabel, text);
}

void ManualControl::PScrollChange() {
    const std::int32_t pos = powerBar_.position;
    tplotstate& s = s_.ctx.PlotState;
    if (s_.ctx.PlotParams.Laser)
        s.SpindleValue = static_cast<std::uint16_t>(RoundHalfEven(pos * 256.0 / 1000.0));
    else if (s_.ctx.ArmLink)
        s.SpindleValue = static_cast<std::uint16_t>(std::max(0, pos));
    else
        s.SpindleValue = static_cast<std::uint16_t>(RoundHalfEven(pos * 255.0 / 100.0));
    PScrollLabel();
    if (!refreshing_) s_.layer.SendSpindleValue();
}

void ManualControl::PowerBarScrolled() {
    // The laser's power in per cent; on a spindle the change handler writes the label.
    if (!s_.ctx.PlotParams.Laser) return;
    const std::int32_t v = s_.ctx.PlotState.SpindleValue;
    s_.view->SetText(PanelText::PowerLabel,
                     powerBar_.position == 1000
                         ? "100"
                         : FormatFixedNumber(std::trunc(v * 1000.0 / 256.0) / 10.0, 1, LocaleDecimalSeparator()));
}

// ---- following the machine ---------------------------------------------------------------

void ManualControl::ShowSpeedBarFromStatus() {
    const MachineContext& ctx = s_.ctx;
    const tplotstate& s = ctx.PlotState;
    const tplotparams& p = ctx.PlotParams;
    if (p.DirectSpeedBar) {
        std::int32_t max = speedBar_.max;
        if (s.SpeedSet == 1) {
            const char first = s.Model.empty() ? '\0' : s.Model[0];
            const bool smoothFamily =
                first == 'N' || first == 'H' || first == 'J' || first == 'L' || first == 'P' || first == 'T';
            if (smoothFamily)
                max = s_.settings.Flag(setting::Smoothing) ? p.MaxSmoothSpeed : p.MaxWorkSpeed;
            else
                max = 3000 / std::max(1, p.Multiplier);
        } else if (s.SpeedSet <= 3) {
            max = p.MaxSpeed;
        }
        // A range change alone sends nothing; the position set below does.
        if (max != speedBar_.max) {
            speedBar_.SetRange(speedBar_.min, max);
            s_.view->ShowSpeedBar(speedBar_);
        }
        if (s.Speed != 0) ShowMachineSpeed(ctx.TimerToSpeed(s.Speed));
    } else if (s.Speed != 0) {
        ShowMachineSpeed(SpeedToSpeedBar(ctx.TimerToSpeed(s.Speed)));
    }
}

// The bar follows the controller's speed and sends nothing: only the operator's move of the bar
// writes a speed.
void ManualControl::ShowMachineSpeed(std::int32_t position) {
    showingMachineSpeed_ = true;
    SetSpeedPosition(position);
    showingMachineSpeed_ = false;
}

void ManualControl::ShowPowerFromStatus() {
    refreshing_ = true;
    ShowPower();
    if (s_.ctx.ArmLink && !s_.ctx.PlotParams.Laser) {
        SetPowerPosition(s_.ctx.PlotState.SpindleValue);
        s_.view->SetText(PanelText::PowerLabel, std::to_string(powerBar_.position * 100));
    }
    refreshing_ = false;
}

void ManualControl::ShowPower() {
    const MachineContext& ctx = s_.ctx;
    const tplotstate& s = ctx.PlotState;
    const bool on = (s.Status & kStatusSpindleOn) != 0;
    if (s.OutputIndex == lastOutputIndex_ && s.SpindleValue == lastSpindleValue_ && on == lastSpindleOn_) return;
    display_.ShowPowerCaption();
    const std::int32_t v = s.SpindleValue;
    if (ctx.PlotParams.Laser)
        SetPowerPosition(v * 1000 / 256);
    else if (!ctx.ArmLink)
        SetPowerPosition(static_cast<std::int32_t>(RoundHalfEven(v * 100.0 / 255.0)));
    else
        SetPowerPosition(v);
    lastOutputIndex_ = s.OutputIndex;
    lastSpindleValue_ = s.SpindleValue;
    lastSpindleOn_ = on;
    s_.view->SetSpindleDown(on);
}

}  // namespace vellisk
