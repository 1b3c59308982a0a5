#pragma once
// The control panel's layout for a touch screen ("touchPanel" on the command line): large jog
// buttons in a bevel at the bottom, large buttons beside it, tall bars, and the button images
// from the program folder's "Ikony/" (used only when every one of them is there).
#include <array>
#include <filesystem>
#include <map>
#include <string>

#include "machine_operation/panel_view.h"

namespace vellisk {

struct PanelRect {
    int left = 0, top = 0, width = 0, height = 0;
    int Bottom() const { return top + height; }
    int Right() const { return left + width; }
    bool operator==(const PanelRect&) const = default;
};

// Parts of the panel that the touch layout places besides the buttons of PanelControl.
enum class TouchPart {
    Form,
    Bevel,
    MachineBox,
    ProjectBox,
    SpeedBox,
    PowerBox,
    SpeedBar,
    PowerBar,
    PulseLabel,
    PulseField,
    PulseUnit
};

struct TouchLayout {
    std::map<PanelControl, PanelRect> controls;
    std::map<TouchPart, PanelRect> parts;  // Form: its client size
    int fontPointSize = 10;
    bool boldFont = true;
};

// Where the Z column of the jog buttons (tool up, tool down, spindle) stands in their bevel.
enum class ZColumn { First, Last };
// The jog buttons in their bevel: four columns of three square buttons of `size`, the three
// X/Y columns (up-left, left, down-left; up, STOP, down; up-right, right, down-right) in order
// and the Z column first or last, at the columns' and rows' offsets inside the bevel.
std::map<PanelControl, PanelRect> ArrangeJogGrid(const PanelRect& bevel, const std::array<int, 4>& cols,
                                                 const std::array<int, 3>& rows, int size, ZColumn z);

// The touch layout; `pulseShown` and the pulse field's height decide the form's height and
// where the bevel sits.
TouchLayout ArrangeTouchPanel(bool pulseShown, int pulseFieldHeight);

// The image files of the touch buttons under "Ikony/", in the order of the buttons.
const std::array<std::pair<PanelControl, const char*>, 12>& TouchIconFiles();

// Every image file of the touch buttons is there.
bool TouchIconsPresent(const std::filesystem::path& programDir);

}  // namespace vellisk
