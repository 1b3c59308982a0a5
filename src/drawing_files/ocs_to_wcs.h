#pragma once
// The object coordinate system of a DXF entity: a polyline drawn in a plane other than XY names
// its plane by the extrusion direction, and its points map to world coordinates through the
// axes that the arbitrary axis algorithm of DXF derives from that direction.
#include <array>

namespace vellisk {

// Maps points of an entity's object coordinate system to world coordinates (the arbitrary axis
// algorithm of DXF).
class TConvOCS2WCS {
public:
    using Vec = std::array<double, 3>;

    Vec Wy{0.0, 1.0, 0.0};
    Vec Wz{0.0, 0.0, 1.0};
    Vec Ax{1.0, 0.0, 0.0};
    Vec Ay{0.0, 1.0, 0.0};
    Vec N{0.0, 0.0, 1.0};  // the extrusion direction as read

    TConvOCS2WCS() { SetExtrusion(Wz); }
    void SetExtrusion(const Vec& n);
    void SetExtrusionXYZ(double x, double y, double z) { SetExtrusion({x, y, z}); }
    Vec OcsToWcs(double x, double y, double z) const;
    static Vec CrossProduct(const Vec& a, const Vec& b);
    static Vec Normalize(const Vec& v);
    // Whether the mapping is the identity (extrusion (0, 0, 1)).
    bool Identity() const { return N[0] == 0.0 && N[1] == 0.0 && N[2] == 1.0; }

private:
    void ComputeAxes();
};

}  // namespace vellisk
