#pragma once
// The older controller on the parallel port, whole: the simulated controller behind its
// register-level peer, the parallel-port link over that peer on a clock driven by hand, and the
// command layer over the link, with what it tells the operator recorded (in English). Time-out
// tests make the clock jump (a large autoStep); the busy-wait delay is set, not calibrated.
#include "machine_link/command_layer.h"
#include "machine_link/lpt_transport.h"
#include "machine_link/machine_context.h"
#include "sim/controller_model.h"
#include "sim/fake_clock.h"
#include "sim/lpt_peer.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk::sim {

struct LptRig : test::MachineRig {
    ControllerModel model;
    LptPeer peer{model};
    FakeClock clock;
    LptTransport lpt{peer, clock};
    test::RecordingNotifier notifier;
    CommandLayer layer{ctx, env, jobValues, notifier, clock};

    LptRig() {
        lpt.Init();
        layer.SetParallelPort(&lpt);
        layer.Delay().SetLoopsPerMs(1);
        env.Lang.Language = kLangEnglish;
    }
};

}  // namespace vellisk::sim
