#include "drawing_files/ocs_to_wcs.h"

#include <cmath>

namespace vellisk {

TConvOCS2WCS::Vec TConvOCS2WCS::CrossProduct(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

TConvOCS2WCS::Vec TConvOCS2WCS::Normalize(const Vec& v) {
    double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len == 0.0) return v;
    return {v[0] / len, v[1] / len, v[2] / len};
}

void TConvOCS2WCS::SetExtrusion(const Vec& n) {
    N = n;
    ComputeAxes();
}

void TConvOCS2WCS::ComputeAxes() {
    constexpr double limit = 1.0 / 64.0;
    if (std::fabs(N[0]) < limit && std::fabs(N[1]) < limit)
        Ax = CrossProduct(Wy, N);
    else
        Ax = CrossProduct(Wz, N);
    Ax = Normalize(Ax);
    Ay = Normalize(CrossProduct(N, Ax));
}

TConvOCS2WCS::Vec TConvOCS2WCS::OcsToWcs(double x, double y, double z) const {
    return {x * Ax[0] + y * Ay[0] + z * N[0], x * Ax[1] + y * Ay[1] + z * N[1], x * Ax[2] + y * Ay[2] + z * N[2]};
}

}  // namespace vellisk
