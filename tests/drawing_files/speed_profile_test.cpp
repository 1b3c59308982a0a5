#include "drawing_files/speed_profile.h"

#include <gtest/gtest.h>

#include <cmath>

#include "job_test_support.h"

namespace vellisk {
namespace {

tfigura Path(std::vector<tpunkt> pts) {
    tfigura f;
    f.ToolPath3D = std::move(pts);
    return f;
}

// HPGL units: 40 per mm.
tpunkt Mm(double x, double y, double z = 0) { return {x * 40, y * 40, z * 40}; }

TEST(SpeedProfileTest, EndsAndCornersAreStops) {
    JobMachine m = test::ParallelSet0();
    tfigura two = Path({Mm(0, 0), Mm(10, 0)});
    BuildSpeedProfile(two, KindHpgl, m, false);
    EXPECT_EQ(two.SpeedProfile, (std::vector<std::uint16_t>{StopMarker, StopMarker}));

    tfigura corner = Path({Mm(0, 0), Mm(1, 0), Mm(1, 1)});
    BuildSpeedProfile(corner, KindHpgl, m, false);
    EXPECT_EQ(corner.SpeedProfile, (std::vector<std::uint16_t>(3, StopMarker)));

    auto bend = [&](double degrees) {
        double a = degrees * M_PI / 180;
        tfigura f = Path({Mm(0, 0), Mm(1, 0), Mm(1 + std::cos(a), std::sin(a))});
        BuildSpeedProfile(f, KindHpgl, m, false);
        return f.SpeedProfile[1];
    };
    EXPECT_NE(bend(25), StopMarker);
    EXPECT_EQ(bend(30), StopMarker);
}

TEST(SpeedProfileTest, ParallelPortAcceleratesAndDecelerates) {
    JobMachine m = test::ParallelSet0();
    std::vector<tpunkt> pts;
    for (int i = 0; i <= 20; ++i) pts.push_back(Mm(i * 2.0, 0));  // 2 mm segments
    tfigura f = Path(pts);
    BuildSpeedProfile(f, KindHpgl, m, false);
    const auto& S = f.SpeedProfile;
    ASSERT_EQ(S.size(), pts.size());
    EXPECT_EQ(S.front(), StopMarker);
    EXPECT_EQ(S.back(), StopMarker);
    for (std::size_t r = 1; r < S.size() - 1; ++r) {
        EXPECT_NE(S[r], StopMarker) << r;
        // The slower of accelerating from the start and decelerating to the end.
        std::int32_t from = static_cast<std::int32_t>(r) * 2 * 97;
        std::int32_t to = static_cast<std::int32_t>(S.size() - 1 - r) * 2 * 97;
        EXPECT_EQ(S[r], std::max(m.RampTimerAt(from), m.RampTimerAt(to))) << r;
    }
    EXPECT_EQ(S[1], S[19]);
    EXPECT_LT(S[10], S[1]);
}

TEST(SpeedProfileTest, ParallelPortStopsBeforeAStopAtTheEndOfALongSegment) {
    JobMachine m = test::ParallelSet0();
    // A vertex that must slow down for the stop ahead: 3 mm segment makes it a stop, 2 mm not.
    tfigura longer = Path({Mm(0, 0), Mm(0.5, 0), Mm(1, 0), Mm(4, 0), Mm(4.5, 0)});
    BuildSpeedProfile(longer, KindHpgl, m, false);
    EXPECT_EQ(longer.SpeedProfile[3], StopMarker);
    tfigura shorter = Path({Mm(0, 0), Mm(0.5, 0), Mm(1, 0), Mm(3, 0), Mm(3.5, 0)});
    BuildSpeedProfile(shorter, KindHpgl, m, false);
    EXPECT_NE(shorter.SpeedProfile[3], StopMarker);
}

TEST(SpeedProfileTest, OlderUsbStopsAfterALongSegmentFollowedByATinyOne) {
    JobMachine m = test::ParallelSet0();
    m.ArmLink = true;
    tfigura tiny = Path({Mm(0, 0), Mm(25, 0), Mm(25.5, 0), Mm(30, 0)});
    BuildSpeedProfile(tiny, KindHpgl, m, false);
    EXPECT_EQ(tiny.SpeedProfile[1], StopMarker);
    tfigura small = Path({Mm(0, 0), Mm(25, 0), Mm(26.5, 0), Mm(30, 0)});
    BuildSpeedProfile(small, KindHpgl, m, false);
    EXPECT_NE(small.SpeedProfile[1], StopMarker);
    m.ArmController = true;  // not on the newer controller
    BuildSpeedProfile(tiny, KindHpgl, m, false);
    EXPECT_NE(tiny.SpeedProfile[1], StopMarker);
}

TEST(SpeedProfileTest, StraightRunsHaveNoCurvatureLimit) {
    JobMachine m = test::ArmLaser();
    m.RampTimerAt = [](std::int32_t) -> std::uint16_t { return 100; };  // a ramp that never limits
    m.RampIndexOfTimer = [](std::int32_t) { return 0; };
    std::vector<tpunkt> straight;
    for (int i = 0; i < 8; ++i) straight.push_back(Mm(i * 5.0, 0));
    tfigura f = Path(straight);
    BuildSpeedProfile(f, KindHpgl, m, false);
    const std::uint16_t full = static_cast<std::uint16_t>(m.SpeedToTimer(m.MaxSpeed));
    for (int r = 2; r <= 5; ++r) EXPECT_EQ(f.SpeedProfile[r], std::max<std::uint16_t>(100, full)) << r;

    // A gentle arc is limited by its radius: sqrt(R) * K with R = 5 mm / angle.
    std::vector<tpunkt> arc;
    const double step = 0.1;  // radians per segment
    for (int i = 0; i < 8; ++i) arc.push_back(Mm(50 * std::sin(i * step), 50 - 50 * std::cos(i * step)));
    tfigura g = Path(arc);
    BuildSpeedProfile(g, KindHpgl, m, false);
    EXPECT_GT(g.SpeedProfile[3], f.SpeedProfile[3]);
    // Smoothing uses the other factor (2400 instead of 1200): faster.
    tfigura h = Path(arc);
    m.AccelFactor = 1200;
    BuildSpeedProfile(h, KindHpgl, m, true);
    EXPECT_LT(h.SpeedProfile[3], g.SpeedProfile[3]);
}

TEST(SpeedProfileTest, StopsAreNeverRemoved) {
    JobMachine m = test::ArmLaser();
    std::vector<tpunkt> zigzag;
    for (int i = 0; i < 10; ++i) zigzag.push_back(Mm(i, (i % 2) * 1.0));
    tfigura f = Path(zigzag);
    BuildSpeedProfile(f, KindHpgl, m, false);
    ASSERT_EQ(f.SpeedProfile.size(), zigzag.size());
    for (auto v : f.SpeedProfile) EXPECT_EQ(v, StopMarker);
}

}  // namespace
}  // namespace vellisk
