#pragma once
// The three records the program keeps about the machine and the job in hand, made fresh for one
// test (or one benchmark): the program's environment (folder, language, unit), the job's values
// (start height, plunge pitch, extents, hatching, pixel size) and the machine context. A test
// hands each object the ones it takes; a rig that needs all three derives from this one.
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/program_environment.h"

namespace vellisk::test {

struct MachineRig {
    ProgramEnvironment env;
    JobValues jobValues;
    MachineContext ctx;
};

}  // namespace vellisk::test
