#pragma once
// The move dialog: one move of the machine (to machine coordinates, to project coordinates, or
// by a given distance), kept inside the work area; and the operator's test tools: a
// back-and-forth motion test, a heater on/off test, a laser pulse test, and the surface scan,
// which probes the surface height on a grid over the work area and writes "scan.txt".
//
// Every move here is one raw "A" move in motor steps. The tests and the scan run until the
// operator presses a key or clicks (UserInterrupt), or the controller stops answering.
#include <cstdint>
#include <filesystem>
#include <string>

#include "machine_link/command_layer.h"
#include "machine_operation/user_interrupt.h"
#include "settings/settings.h"

namespace vellisk {

class MoveDialog {
public:
    enum Mode { ToMachine = 0, ToProject = 1, ByDelta = 2 };

    MoveDialog(CommandLayer& layer, const ProgramEnvironment& env, const Settings& settings);

    // Fields, in mm (the window shows them in the display unit).
    int mode = ByDelta;
    double x = 0, y = 0, z = 0;
    bool withoutZ = true;

    // Execute: waits until the machine is idle, then sends the one move. In machine-coordinate
    // mode the fields are corrected in place to the work area. True when the dialog closes
    // (the move went out, or there was nothing to move); false when the controller did not
    // answer or the operator gave up waiting.
    bool Execute(UserInterrupt& interrupt);

    // The test loops; each returns when the operator stops it or the link is lost. The motion
    // test moves back and forth by the fields (Z only without "Without Z axis"), both ends kept
    // inside the work area.
    void MotionTest(UserInterrupt& interrupt);
    void HeaterTest(UserInterrupt& interrupt);
    void LaserTest(UserInterrupt& interrupt);

    // The surface scan with column spacing x, row spacing y and travel height z; writes
    // "scan.txt" in the program folder. True when the dialog closes (the scan ran); false when
    // refused.
    bool Scan(UserInterrupt& interrupt);

    // Rows whose Y (mm, rounded) lies within 5 mm of a multiple of 40 mm are not probed.
    static bool NearGrid40(std::int32_t v);
    // One line of "scan.txt" (without the line end).
    static std::string ScanLine(double x, double y, double z);

private:
    // Waits for the controller to finish a move; false when the link is lost or the operator
    // stopped the move (a key, a click, the machine's STOP key).
    bool MoveEnds(UserInterrupt& interrupt);
    // The steps of a move to machine position (X, Y) in mm at height zt (mm above the table).
    void MoveTo(double tx, double ty, double zt, std::int32_t factor);
    bool ScanRun(UserInterrupt& interrupt, std::string& lines, double dx, double dy, double zt);

    CommandLayer& layer_;
    const ProgramEnvironment& env_;
    const Settings& settings_;
};

}  // namespace vellisk
