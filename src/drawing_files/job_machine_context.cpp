#include "drawing_files/job_machine_context.h"

#include "drawing_files/job_writer.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"

namespace vellisk {

JobMachine JobMachineOf(const MachineContext& ctx, const JobValues& job, double gcodePower) {
    const tplotparams& p = ctx.PlotParams;
    JobMachine m;
    m.Multiplier = p.Multiplier;
    m.StepsX = p.StepsX;
    m.StepsY = p.StepsY;
    m.StepsZ = p.StepsZ;
    m.MaxSpeed = p.MaxSpeed;
    m.MaxZSpeed = p.MaxZSpeed;
    m.MinFeed = p.MinFeed;
    m.AccelFactor = p.AccelFactor;
    m.AccelFactorAlt = p.AccelFactorAlt;
    m.ArmController = p.ArmController != 0;
    m.Laser = p.Laser != 0;
    m.ZReversed = p.ZReversed != 0;

    m.ArmLink = ctx.ArmLink;
    m.Firmware550 = ctx.Firmware550;
    m.ModelCode = ctx.ModelCode;
    m.SpindleScale = ctx.SpindleScale;
    m.JobStartZ = job.StartZ;
    m.PlungePitch = job.PlungePitch;
    m.GcodePower = gcodePower;

    // The ramp tables are constant for the run; the look-up context is copied by value.
    const RampContext ramp = ctx.Ramp();
    m.SpeedToTimer = [p](std::int32_t feed) { return SpeedToTimer(p, feed); };
    m.RampTimerAt = [ramp](std::int32_t index) { return RampTimerAt(ramp, index); };
    m.RampIndexOfTimer = [ramp](std::int32_t timer) { return RampIndexOfTimer(ramp, timer); };
    return m;
}

void StoreJobResults(JobValues& job, const JobWriter& writer) {
    job.StreamStartZ = writer.StreamStartZ();
    const tpunkt& lo = writer.JobExtentMin();
    const tpunkt& hi = writer.JobExtentMax();
    job.ExtentMin = {lo.X, lo.Y, lo.Z};
    job.ExtentMax = {hi.X, hi.Y, hi.Z};
}

}  // namespace vellisk
