#pragma once
// Fills the job writer's view of the machine from the machine context and the job's values at
// the moment of a save.
#include "drawing_files/job_machine.h"

namespace vellisk {

class MachineContext;
class JobWriter;
struct JobValues;

// A snapshot of the parameter set in force, the link and the process-wide job values, with the
// speed conversions and ramp look-ups of the set and link in force. The snapshot owns copies of
// everything it needs, so it stays valid when the context later changes.
JobMachine JobMachineOf(const MachineContext& ctx, const JobValues& job, double gcodePower = 0.0);

// Keeps what the job start reads after a save: the stream's start height and the extents of
// its moves.
void StoreJobResults(JobValues& job, const JobWriter& writer);

}  // namespace vellisk
