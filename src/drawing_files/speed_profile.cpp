#include "drawing_files/speed_profile.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {
constexpr double kCornerCos = 0.87;
constexpr double kLongSegmentMm = 20.0;
constexpr double kShortSegmentMm = 1.0;
constexpr double kRampPerMm = 97.0;
constexpr double kStopSegmentMm = 2.5;

std::int32_t RoundedDistance(const tpunkt& a, const tpunkt& b) {
    return RoundTo<std::int32_t>(Distance3D(a, b), "segment length");
}

// Per path: every segment's length, plain and rounded, and every vertex's turning cosine, each
// measured once for all the passes. Kept from figure to figure.
struct ProfileWork {
    std::vector<double> length;         // [r]: segment r - 1 -> r
    std::vector<std::int32_t> rounded;  // [r]: the same rounded, filled by pass 2
    std::vector<double> cosine;         // [r]: VertexAngleCos at vertex r
};
}  // namespace

void BuildSpeedProfile(tfigura& figure, int kind, const JobMachine& m, bool smoothing) {
    const auto& P = figure.ToolPath3D;
    auto& S = figure.SpeedProfile;
    const std::int64_t n = static_cast<std::int64_t>(P.size());
    S.assign(P.size(), 1);
    if (n == 0) return;
    S[0] = StopMarker;
    auto mm = [kind](double units) { return UnitsToMm(kind, units); };
    auto rampAt = [&](double millimetres) {
        return m.RampTimerAt(RoundTo<std::int32_t>(millimetres * kRampPerMm, "ramp index"));
    };
    const bool olderUsb = m.ArmLink && !m.ArmController;
    thread_local ProfileWork w;
    const std::size_t count = P.size();
    w.length.resize(count);
    w.rounded.resize(count);
    w.cosine.resize(count);
    for (std::size_t r = 1; r < count; ++r) w.length[r] = Distance3D(P[r - 1], P[r]);
    auto seg = [&](std::int64_t r) { return w.length[static_cast<std::size_t>(r)]; };
    auto rounded = [&](std::int64_t r) { return w.rounded[static_cast<std::size_t>(r)]; };
    auto cosine = [&](std::int64_t r) { return w.cosine[static_cast<std::size_t>(r)]; };

    // Pass 1: stops at corners (and, on the older USB controller, after a long segment that is
    // followed by a very short one); the last point is always a stop.
    for (std::int64_t r = 1; r <= n - 2; ++r) {
        w.cosine[static_cast<std::size_t>(r)] =
            VertexAngleCosFromSides(seg(r), seg(r + 1), Distance3D(P[r - 1], P[r + 1]));
        if (cosine(r) <= kCornerCos) S[r] = StopMarker;
        if (olderUsb && mm(RoundedDistance(P[r - 1], P[r])) > kLongSegmentMm &&
            mm(RoundedDistance(P[r], P[r + 1])) < kShortSegmentMm)
            S[r] = StopMarker;
    }
    S[n - 1] = StopMarker;

    // Pass 2: acceleration from the last stop.
    std::int32_t run = 0;
    for (std::int64_t r = 1; r <= n - 1; ++r) {
        w.rounded[static_cast<std::size_t>(r)] = RoundTo<std::int32_t>(seg(r), "segment length");
        run = CheckedAdd(run, rounded(r), "path length");
        if (S[r] == StopMarker)
            run = 0;
        else
            S[r] = rampAt(mm(run));
    }

    // Pass 3: deceleration before the next stop; each vertex keeps the slower value.
    run = 0;
    for (std::int64_t r = n - 2; r >= 1; --r) {
        run = CheckedAdd(run, rounded(r + 1), "path length");
        if (S[r] == StopMarker) {
            run = 0;
            continue;
        }
        std::uint16_t u = rampAt(mm(run));
        if (S[r] < u) {
            if (!m.ArmLink && mm(rounded(r)) >= kStopSegmentMm)
                S[r] = StopMarker;
            else
                S[r] = u;
        }
    }
    if (!m.ArmLink) return;

    // Pass 4: the speed a bend of the local radius allows, and the Z speed limit.
    const double K = smoothing ? m.AccelFactorAlt : m.AccelFactor;
    for (std::int64_t r = 2; r <= n - 3; ++r) {
        double dz = std::fabs(RoundHalfEven(P[r - 2].Z - P[r - 1].Z));
        double c = (cosine(r - 1) + cosine(r) + cosine(r + 1)) / 3.0;
        double a = std::acos(std::clamp(c, -1.0, 1.0));
        std::int32_t L = RoundTo<std::int32_t>(std::min(seg(r), seg(r + 1)), "segment length");
        std::int32_t s = rounded(r);
        if (s <= 0) continue;
        // A run without any bend has no curvature limit.
        double v = a == 0.0 ? m.MaxSpeed : RoundHalfEven(std::sqrt(mm(L) / a) * K);
        v = std::min(v, static_cast<double>(m.MaxSpeed));
        v = std::max(v, static_cast<double>(m.MinFeed));
        double q = dz / s * m.MaxSpeed;
        double lim = m.MaxZSpeed >= q ? static_cast<double>(m.MaxSpeed) : s / dz * m.MaxZSpeed;
        if (v > lim) v = RoundHalfEven(lim);
        std::int64_t feed = CheckedMul<std::int64_t>(static_cast<std::int64_t>(v), m.Multiplier);
        std::uint32_t t = m.SpeedToTimer(CheckedCast<std::int32_t>(feed, "feed"));
        std::uint16_t t16 = static_cast<std::uint16_t>(std::min<std::uint32_t>(t, 65535));
        if (S[r] < t16 && S[r] != StopMarker) S[r] = t16;
    }

    // Pass 5: no vertex faster than what reaches the next vertex's speed over the segment.
    for (std::int64_t r = n - 2; r >= 1; --r) {
        if (S[r] == StopMarker) continue;
        std::int32_t s = rounded(r + 1);
        std::int32_t index = CheckedAdd(m.RampIndexOfTimer(S[r + 1]),
                                        RoundTo<std::int32_t>(mm(s) * kRampPerMm, "ramp index"), "ramp index");
        std::uint16_t u = m.RampTimerAt(index);
        if (S[r] < u) S[r] = u;
    }
}

}  // namespace vellisk
