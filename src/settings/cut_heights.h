#pragma once
// The heights and passes a job is cut at, as the configuration gives them: the material and the
// table under it, the depth, the finishing pass and whether the layers give the depths. The
// tool-path preparation and the job writer read them once per run into this one record.
#include "settings/settings.h"

namespace vellisk {

struct CutHeights {
    double Thickness = 0.0;    // grubosc, mm
    double AboveTable = 0.0;   // ponad_stol, mm
    double Depth = 0.0;        // Glebokosc, mm
    bool Polish = false;       // polerowanie
    double PolishStart = 0.0;  // Poler_start, mm
    bool Multilayer = false;   // ProjektType 1: the depth comes from the figure's layer
};

inline CutHeights CutHeightsOf(const Settings& settings) {
    CutHeights h;
    h.Thickness = settings.Number(setting::MaterialThickness);
    h.AboveTable = settings.Number(setting::AboveTable);
    h.Depth = settings.Number(setting::MillingDepth);
    h.Polish = settings.Flag(setting::Polishing);
    h.PolishStart = settings.Number(setting::PolishStart);
    h.Multilayer = settings.Choice(setting::ProjectType) == 1;
    return h;
}

}  // namespace vellisk
