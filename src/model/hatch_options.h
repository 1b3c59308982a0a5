#pragma once
// What the operator chooses in the hatching dialog: the spacing and angle of the hatch lines and
// how they are cut. The program keeps the choices of the last hatching for the dialog's next
// showing.

namespace vellisk {

struct HatchOptions {
    double SpacingMm = 1.0;   // distance between the lines
    double AngleDeg = 45.0;   // angle of the lines against the X axis
    bool CutOutline = false;  // also cut the outlines of the hatched figures
    bool TwoWay = false;      // cut the lines alternately in both directions
};

}  // namespace vellisk
