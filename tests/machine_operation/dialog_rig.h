#pragma once
// The machine dialogs' simulated controller: the parallel-port rig with the newer controller on
// USB beside it, the settings, and a program folder of its own (for the base points file).
#include "settings/settings.h"
#include "sim/fake_arm_transport.h"
#include "sim/lpt_rig.h"
#include "support/test_support.h"

namespace vellisk::test {

struct DialogRig : sim::LptRig {
    sim::FakeArmTransport usb{model, LinkKind::Usb};
    Settings settings;
    TempDir dir;
    DialogRig() {
        layer.SetUsb(&usb);
        env.ProgramDir = dir.path();
    }
    // Talk to the newer controller on USB instead of the parallel port.
    void UseUsb() {
        ctx.ArmLink = true;
        ctx.PlotParams.ArmController = 1;
        model.armController = true;
    }
};

}  // namespace vellisk::test
