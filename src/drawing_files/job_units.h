#pragma once
// Drawing-unit conversions and the small geometry the job writer and the speed profile use.
#include <algorithm>
#include <cmath>

#include "model/geometry_types.h"

namespace vellisk::jobgeom {

// Drawing units of a project kind to millimetres (HPGL 40 per mm, DXF and G-code 100 per mm,
// bitmap 1 per mm), computed in extended precision.
inline double UnitsToMm(int kind, double x) {
    switch (kind) {
        case KindHpgl: return static_cast<double>(static_cast<long double>(x) * 1000.0L / 40000.0L);
        case KindDxf:
        case KindGcode: return static_cast<double>(static_cast<long double>(x) * 1000.0L / 100000.0L);
        case KindBitmap: return x;
        default: return 0.0;
    }
}

inline double MmToUnits(int kind, double x) {
    switch (kind) {
        case KindHpgl: return static_cast<double>(static_cast<long double>(x) * 40000.0L / 1000.0L);
        case KindDxf:
        case KindGcode: return static_cast<double>(static_cast<long double>(x) * 100000.0L / 1000.0L);
        case KindBitmap: return x;
        default: return 0.0;
    }
}

inline double Distance3D(const tpunkt& p, const tpunkt& q) {
    double dx = q.X - p.X, dy = q.Y - p.Y, dz = q.Z - p.Z;
    return std::sqrt(dz * dz + (dx * dx + dy * dy));
}

// Minus the cosine of the angle at b on the path a -> b -> c: 1 straight on, 0 a right angle,
// -1 a reversal; a zero-length leg gives -1.
inline double VertexAngleCos(const tpunkt& a, const tpunkt& b, const tpunkt& c) {
    double g = Distance3D(a, b), h = Distance3D(b, c), k = Distance3D(a, c);
    if (g == 0.0 || h == 0.0) return -1.0;
    double r = -(g * g + h * h - k * k) / (2.0 * g * h);
    return std::clamp(r, -1.0, 1.0);
}

}  // namespace vellisk::jobgeom
