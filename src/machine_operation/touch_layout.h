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

// The touch layout; `pulseShown` and the pulse field's height decide the form's height and
// where the bevel sits.
TouchLayout ArrangeTouchPanel(bool pulseShown, int pulseFieldHeight);

// The image files of the touch buttons under "Ikony/", in the order of the buttons.
const std::array<std::pair<PanelControl, const char*>, 12>& TouchIconFiles();

// Every image file of the touch buttons is there.
bool TouchIconsPresent(const std::filesystem::path& programDir);

}  // namespace vellisk
