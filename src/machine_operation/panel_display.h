#pragma once
// The control panel's display: the window's captions in the program's language and length
// unit, the link caption, the machine's and the project's coordinates, the actual speed, the
// speed set's and the output's captions, the link's error counts, the end of a job that ran
// from the machine's memory, and which controls are enabled and shown. It only tells the
// window; it sends nothing to the machine.
#include <array>
#include <string>

#include "machine_operation/panel_shared.h"

namespace vellisk {

class PanelDisplay {
public:
    explicit PanelDisplay(PanelShared& shared);

    // All captions, hints and button texts.
    void Captions();
    // The captions that name the length unit.
    void UnitCaptions();
    // The window caption that names the link (USB, Ethernet, none).
    void LinkCaption();
    // Tells a newly attached window which controls are enabled and shown.
    void ShowControls();

    void ShowActualSpeed();
    void ShowSpeedCaption();
    void ShowPowerCaption();
    void ShowCoordinates();
    void ShowJobEnd();
    void ShowLinkErrors();

    void EnableMotionControls(bool on);
    void EnableSpeedPower(bool on);
    void Enable(PanelControl c, bool on);
    void Show(PanelControl c, bool on);
    bool Enabled(PanelControl c) const { return enabled_[static_cast<int>(c)]; }
    bool Visible(PanelControl c) const { return visible_[static_cast<int>(c)]; }

private:
    PanelShared& s_;
    std::array<bool, static_cast<int>(PanelControl::Count)> enabled_{};
    std::array<bool, static_cast<int>(PanelControl::Count)> visible_{};
    bool jobRunning_ = false;  // a job was seen running from the machine's memory
};

}  // namespace vellisk
