// The parallel-port transfer dialog, offscreen, over the core transfer and the simulated
// controller.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "machine_link/lpt_transfer.h"
#include "machine_link/ui/transmisja_dialog.h"
#include "sim/lpt_rig.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

struct DialogRig : sim::LptRig {
    Ttransmisja transfer{ctx, env, jobValues, layer, notifier};
    test::TempDir dir;
    DialogRig() { env.ProgramDir = dir.path(); }
};

TEST(TransmisjaDialog, SendsTheJobAndEndsWithOne) {
    DialogRig r;
    const std::string job(3000, 'c');
    test::WriteFileBytes(r.dir / "out.cnx", job);
    ui::TransmisjaDialog dlg(r.transfer, r.env);
    const int result = dlg.exec();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dlg.windowTitle(), "Transmission");
    EXPECT_EQ(dlg.BreakButton()->text(), "Break");
    EXPECT_EQ(dlg.findChild<QLabel*>("Label2")->text(), "kB from");
    EXPECT_EQ(dlg.Total()->text(), "3");
    EXPECT_EQ(dlg.Sent()->text(), "3");
    EXPECT_EQ(dlg.TrackBar()->maximum(), 3);
    EXPECT_EQ(r.transfer.Ticks(), 4);       // 1 byte, then 1024 a tick
    EXPECT_EQ(dlg.TrackBar()->value(), 3);  // the tick count, held at the bar's end
    EXPECT_EQ(r.model.job.size(), 3000u);
    EXPECT_FALSE(dlg.Timer()->isActive());
}

TEST(TransmisjaDialog, BreakButtonEndsWithTwoAndAbortsTheJob) {
    DialogRig r;
    test::WriteFileBytes(r.dir / "out.cnx", std::string(50000, 'c'));
    ui::TransmisjaDialog dlg(r.transfer, r.env);
    r.model.onCommand = [&](const sim::ReceivedCommand&) {
        if (r.model.job.size() == 100) dlg.BreakButton()->click();
    };
    EXPECT_EQ(dlg.exec(), 2);
    EXPECT_EQ(r.peer.bytesFromHost.substr(r.peer.bytesFromHost.size() - 20), std::string(20, '@'));
    EXPECT_TRUE(r.model.job.empty());
    EXPECT_TRUE(r.transfer.LastTransferIncomplete());
}

TEST(TransmisjaDialog, RefusalWhileAJobRunsEndsOnTheFirstTick) {
    DialogRig r;
    test::WriteFileBytes(r.dir / "out.cnx", "cc");
    r.model.statusByte = sim::kStRunning;
    ui::TransmisjaDialog dlg(r.transfer, r.env);
    EXPECT_EQ(dlg.exec(), 2);
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].caption, "Cutting - Start");
    EXPECT_TRUE(r.model.job.empty());
}

}  // namespace
