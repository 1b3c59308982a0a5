#pragma once
// The values of the job in hand that several parts share: the height the tool starts and parks
// at, the plunge pitch, where the job file's stream starts and what space it covers, whether the
// drawing was hatched and with which choices, and the size of a bitmap's pixel. The program keeps
// the one record beside the machine context and hands it to whoever reads or sets it: job
// control, the configuration, the main frame, the project and its hatching, the bitmap project,
// the job file's writer, the command layer's moves to the start height and the panel's continue.
#include <array>

#include "model/hatch_options.h"

namespace vellisk {

struct JobValues {
    double StartZ = 20.0;               // mm; the height of moves to and from the job
    double PlungePitch = 100.0;         // mm per lap; 100 or more: no ramped plunge
    double StreamStartZ = 0.0;          // mm; the height the job file's stream starts at
    std::array<double, 3> ExtentMin{};  // mm; the space the last job file covers
    std::array<double, 3> ExtentMax{};

    bool HatchingDone = false;                         // the drawing in hand was hatched since it was prepared
    HatchOptions HatchChoices;                         // the hatching dialog's choices at its last OK
    double BmpPixelHeight = 1.0, BmpPixelWidth = 1.0;  // mm; the bitmap in hand
};

}  // namespace vellisk
