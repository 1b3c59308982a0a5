#include "machine_operation/touch_layout.h"

namespace vellisk {

std::map<PanelControl, PanelRect> ArrangeJogGrid(const PanelRect& bevel, const std::array<int, 4>& cols,
                                                 const std::array<int, 3>& rows, int size, ZColumn z) {
    static constexpr PanelControl kZ[3] = {PanelControl::ToolUp, PanelControl::ToolDown, PanelControl::Spindle};
    static constexpr PanelControl kXY[3][3] = {
        {PanelControl::JogUpLeft, PanelControl::JogLeft, PanelControl::JogDownLeft},
        {PanelControl::JogUp, PanelControl::Stop, PanelControl::JogDown},
        {PanelControl::JogUpRight, PanelControl::JogRight, PanelControl::JogDownRight}};
    std::map<PanelControl, PanelRect> places;
    for (int c = 0; c < 4; ++c) {
        const int xy = z == ZColumn::First ? c - 1 : c;
        const PanelControl* column = xy >= 0 && xy < 3 ? kXY[xy] : kZ;
        for (int r = 0; r < 3; ++r) places[column[r]] = {bevel.left + cols[c], bevel.top + rows[r], size, size};
    }
    return places;
}

TouchLayout ArrangeTouchPanel(bool pulseShown, int pulseFieldHeight) {
    TouchLayout t;
    const int formW = 628;
    const int formH = pulseShown ? 679 : 669 - pulseFieldHeight;
    t.parts[TouchPart::Form] = {0, 0, formW, formH};

    // The pulse field along the bottom edge, the bevel above it (or above the bottom).
    const int pulseTop = formH - 10 - pulseFieldHeight;
    t.parts[TouchPart::PulseLabel] = {10, pulseTop, 100, pulseFieldHeight};
    t.parts[TouchPart::PulseField] = {110, pulseTop, 100, pulseFieldHeight};
    t.parts[TouchPart::PulseUnit] = {110 + 100 + 10, pulseTop, 60, pulseFieldHeight};
    const int bevelBottom = pulseShown ? pulseTop - 20 : formH - 10;
    const PanelRect bevel{10, bevelBottom - 300, 400, 300};
    t.parts[TouchPart::Bevel] = bevel;

    t.controls = ArrangeJogGrid(bevel, {10, 126, 222, 318}, {16, 112, 216}, 70, ZColumn::First);

    // Coordinates at the top, the two bars below them across the whole width.
    const int buttonsLeft = bevel.Right() + 30;
    const PanelRect machine{10, 10, buttonsLeft - 20, 50};
    const PanelRect project{10, machine.Bottom() + 10, buttonsLeft - 20, 50};
    t.parts[TouchPart::MachineBox] = machine;
    t.parts[TouchPart::ProjectBox] = project;
    const PanelRect speed{10, project.Bottom() + 10, formW - 20, 75};
    const PanelRect power{10, speed.Bottom() + 10, formW - 20, 75};
    t.parts[TouchPart::SpeedBox] = speed;
    t.parts[TouchPart::PowerBox] = power;
    t.parts[TouchPart::SpeedBar] = {10, 20, speed.width - 120, 45};
    t.parts[TouchPart::PowerBar] = {10, 20, power.width - 120, 45};

    t.controls[PanelControl::Home] = {buttonsLeft, machine.top + 5, 150, 45};
    t.controls[PanelControl::SetZero] = {buttonsLeft, project.top + 5, 150, 45};
    t.controls[PanelControl::ToolLength] = {buttonsLeft, bevel.top, 150, 45};
    t.controls[PanelControl::Move] = {buttonsLeft, bevel.top + 45 + 10, 150, 45};
    t.controls[PanelControl::Outputs] = {buttonsLeft, bevel.top + 2 * (45 + 10), 150, 45};
    t.controls[PanelControl::Close] = {buttonsLeft, bevel.Bottom() - 45, 150, 45};
    return t;
}

const std::array<std::pair<PanelControl, const char*>, 12>& TouchIconFiles() {
    static const std::array<std::pair<PanelControl, const char*>, 12> kFiles = {{
        {PanelControl::ToolUp, "Arrow66c_U_green.bmp"},
        {PanelControl::ToolDown, "Arrow66c_D_green.bmp"},
        {PanelControl::Spindle, "Led_off_on_66c_x4.bmp"},
        {PanelControl::JogUpLeft, "Arrow66c_UL_red.bmp"},
        {PanelControl::JogLeft, "Arrow66c_L_red.bmp"},
        {PanelControl::JogDownLeft, "Arrow66c_DL_red.bmp"},
        {PanelControl::JogUp, "Arrow66c_U_red.bmp"},
        {PanelControl::Stop, "StopMK3.bmp"},
        {PanelControl::JogDown, "Arrow66c_D_red.bmp"},
        {PanelControl::JogUpRight, "Arrow66c_UR_red.bmp"},
        {PanelControl::JogRight, "Arrow66c_R_red.bmp"},
        {PanelControl::JogDownRight, "Arrow66c_DR_red.bmp"},
    }};
    return kFiles;
}

bool TouchIconsPresent(const std::filesystem::path& programDir) {
    std::error_code ec;
    for (const auto& [control, file] : TouchIconFiles())
        if (!std::filesystem::is_regular_file(programDir / "Ikony" / file, ec)) return false;
    return true;
}

}  // namespace vellisk
