#pragma once
// The tool-length dialog: sets the machine's Z reference, the distance from the tool tip to the
// table (the base Z the controller keeps). The operator types it, says that the tool now
// touches the table or the material, or lets the machine probe a sensor plate.
#include <cstdint>

#include "machine_link/command_layer.h"
#include "machine_operation/user_interrupt.h"
#include "settings/settings.h"

namespace vellisk {

class ToolLengthDialog {
public:
    ToolLengthDialog(CommandLayer& layer, const ProgramEnvironment& env, Settings& settings);

    // What the window shows when it opens.
    struct View {
        double toolMm = 0;           // tool-to-table distance
        double toolMax = 10000;      // the field's upper limit (mm)
        bool probeEnabled = true;    // automatic measurement possible
        bool surfaceButtons = true;  // "on table" / "on material" and the probe (not on a laser)
    };
    View Activate() const;

    // OK with the distance typed (mm).
    void Ok(double toolMm);
    // The tool touches the table / the material surface now. True when the dialog closes.
    bool OnTable();
    bool OnMaterial();
    // The automatic measurement on the sensor plate. True when the dialog closes.
    bool Probe(UserInterrupt& interrupt);

private:
    // Status check before a measurement: refused (with the message) while the machine moves or
    // runs a job, or when it does not answer.
    bool MachineStopped();
    bool SurfaceTouch(bool material);
    void ZToTop();

    CommandLayer& layer_;
    const ProgramEnvironment& env_;
    Settings& settings_;
};

}  // namespace vellisk
