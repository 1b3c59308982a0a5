#include "drawing_files/job_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <memory>

#include "drawing_files/job_decoder.h"
#include "job_test_support.h"
#include "model/core_error.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using test::kArmLengths;
using test::kOlderLengths;

std::string Bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s.push_back(static_cast<char>(b));
    return s;
}

// One unit = one motor step on every axis (steps per 0.01 mm = 0.01): coordinates in mm are
// step counts.
JobMachine UnitSteps() {
    JobMachine m = test::ParallelSet0();
    m.StepsX = m.StepsY = m.StepsZ = 0.01;
    m.Multiplier = 1;
    return m;
}

TEST(JobWriterTest, EmptyDrawingOfSet0OnTheParallelPortIs61Bytes) {
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    w.CloseOutput();
    std::string expected = Bytes({'v', 0, 0x0B, 0x01, 'v', 1,   0x15, 0x02, 'v', 3,   0x35, 0x05,  // 267, 533, 1333
                                  't', 1, 255,  't',  3,   255, 'r',  1,    1,   'p', 250,  'r',  1, 1});
    for (int i = 0; i < 11; ++i) expected += Bytes({'p', 255});
    expected += Bytes({'p', 195, 'p', 200,                    // 3 s start-up, then 200 ms
                       'p', 10, 'r', 0, 2, 'p', 1, 'f', 2});  // trailer; the park move is empty
    EXPECT_EQ(sink.data.size(), 61u);
    EXPECT_EQ(sink.data, expected);
    EXPECT_TRUE(sink.committed);
    EXPECT_DOUBLE_EQ(w.StreamStartZ(), 15.5);
    EXPECT_EQ(w.StreamPosition().Z, 8267);
}

TEST(JobWriterTest, StartUpDelayIsSplitIntoPausesOfAtMost255ms) {
    auto listing = [](double seconds) {
        Settings settings;
        settings.SetNumber("CzasRozruchu", seconds);
        JobMachine machine = test::ParallelSet0();
        MemoryJobSink sink;
        JobWriter w(sink, machine, settings);
        w.OpenOutput(KindHpgl, OutputStream);
        auto lines = test::Lines(DecodeJob(sink.data, kOlderLengths));
        // Between "p 250", "r 1 1" and the closing "p 200".
        return std::vector<std::string>(lines.begin() + 8, lines.end() - 1);
    };
    EXPECT_EQ(listing(0.6), (std::vector<std::string>{"p 255", "p 255", "p 90"}));
    EXPECT_EQ(listing(0.255), (std::vector<std::string>{"p 255"}));
    EXPECT_TRUE(listing(0.0).empty());
}

TEST(JobWriterTest, UsbHeaderPutsPowersBetweenPausesAndSmoothingOff) {
    Settings settings;
    settings.SetNumber("CzasRozruchu", 0);
    JobMachine machine = test::ParallelSet0();
    machine.ArmLink = true;
    machine.SpindleScale = 1.1;  // 110 % of 100 % power
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    auto names = test::Names(DecodeJob(sink.data, kOlderLengths));
    EXPECT_EQ(names, "s v v v p t p t p r p r p");
    // Powers on this link are value / 100 (1.1 rounds to 1).
    EXPECT_EQ(DecodeJob(sink.data, kOlderLengths)[5].Text(), "t 3 1");
}

TEST(JobWriterTest, PowerAbove100PercentIsHeldAt255) {
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    machine.SpindleScale = 1.1;
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    auto cmds = DecodeJob(sink.data, kOlderLengths);
    EXPECT_EQ(cmds[3].Text(), "t 1 255");
    EXPECT_EQ(cmds[4].Text(), "t 3 255");
}

TEST(JobWriterTest, MoveEncoding) {
    Settings settings;
    JobMachine machine = UnitSteps();
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    EXPECT_EQ(w.EncodeMoveTo(1, 0xFFFF, 3, 4, 0), Bytes({'a', 0x04, 6, 0, 0, 3, 0, 0, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w.StreamPosition().X, 3);
    EXPECT_EQ(w.StreamPosition().Y, 4);
    // k = 2 doubles N only.
    EXPECT_EQ(w.EncodeMoveTo(2, 0xFFFF, 6, 8, 0), Bytes({'a', 0x04, 12, 0, 0, 3, 0, 0, 4, 0, 0, 0, 0, 0}));
    // One step in -X: flags 7, N = round(1.5) = 2.
    EXPECT_EQ(w.EncodeMoveTo(1, 0xFFFF, 5, 8, 0), Bytes({'a', 0x07, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    // A target that rounds to the position writes nothing.
    EXPECT_EQ(w.EncodeMoveTo(1, 0xFFFF, 5.4, 8.2, 0.3), "");
    EXPECT_EQ(w.StreamPosition().X, 5);
    EXPECT_DOUBLE_EQ(w.JobExtentMax().X, 6.0);
    EXPECT_DOUBLE_EQ(w.JobExtentMin().X, 0.0);

    machine.ArmController = true;
    EXPECT_EQ(w.EncodeMoveTo(1, 0x0123, 5, 9, 0).back(), char(0x12));
    EXPECT_EQ(static_cast<unsigned char>(w.EncodeMoveTo(1, 4080, 5, 10, 0).back()), 255);
}

TEST(JobWriterTest, MovesBeyondTheControllerFieldsAreRangeErrors) {
    Settings settings;
    JobMachine machine = UnitSteps();
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    EXPECT_THROW(w.EncodeMoveTo(1, 0xFFFF, 16777216, 0, 0), CoreError);
    EXPECT_EQ(w.StreamPosition().X, 0);  // nothing moved
    EXPECT_THROW(w.EncodeMoveTo(1, 0xFFFF, 3e9, 0, 0), CoreError);
    // N = 10,000,000 steps times 2 no longer fits 24 bits.
    EXPECT_THROW(w.EncodeMoveTo(2, 0xFFFF, 10000000, 0, 0), CoreError);
    EXPECT_NO_THROW(w.EncodeMoveTo(1, 0xFFFF, 10000000, 0, 0));
}

TEST(JobWriterTest, SixteenBitSpeedAbove65535StopsTheSave) {
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    machine.SpeedToTimer = [](std::int32_t) -> std::uint32_t { return 70000; };
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    try {
        w.OpenOutput(KindHpgl, OutputStream);
        FAIL() << "no error";
    } catch (const CoreError& e) {
        EXPECT_EQ(e.kind(), CoreError::Kind::Range);
    }
    EXPECT_FALSE(sink.committed);
    machine.ArmController = true;  // 32-bit speeds take it
    MemoryJobSink sink2;
    JobWriter w2(sink2, machine, settings);
    EXPECT_NO_THROW(w2.OpenOutput(KindHpgl, OutputStream));
}

TEST(JobWriterTest, OtherOutputKindsGiveAnEmptyFile) {
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, 2);
    tfigura f;
    f.ToolPath3D = {{0, 0, 0}, {400, 0, 0}};
    w.WriteFigure(f);
    w.WriteLayerSettings(100, 50, 5);
    w.CloseOutput();
    EXPECT_TRUE(sink.data.empty());
    EXPECT_TRUE(sink.committed);
}

tfigura Line(std::vector<tpunkt> pts) {
    tfigura f;
    f.ToolPath3D = std::move(pts);
    return f;
}

// Parallel port, HPGL units: a straight run 0, 100, 101, 102, 103 mm. The ramp gives 1200 up
// to index 97, 1050 up to 194, 1000 beyond: the profile is stop, 1000, 1050, 1200, stop.
JobMachine StepRamp(JobMachine m) {
    m.RampTimerAt = [](std::int32_t i) -> std::uint16_t { return i <= 97 ? 1200 : i <= 194 ? 1050 : 1000; };
    return m;
}

std::vector<std::string> ContourCommands(const std::string& data) {
    // The commands after the approach's "f 1": the contour and the lift.
    auto lines = test::Lines(DecodeJob(data, kOlderLengths));
    std::vector<std::string> out;
    bool on = false;
    for (auto& l : lines) {
        if (on) out.push_back(l.substr(0, 1) == "a" ? "a" : l);
        if (l == "f 1") on = true;
    }
    return out;
}

TEST(JobWriterTest, OlderControllerSendsSpeedIndexOnlyOnChangesAbove10Percent) {
    Settings settings;
    JobMachine machine = StepRamp(test::ParallelSet0());
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    sink.data.clear();
    tfigura f = Line({{0, 0, 0}, {4000, 0, 0}, {4040, 0, 0}, {4080, 0, 0}, {4120, 0, 0}});
    w.WriteFigure(f);
    auto c = ContourCommands(sink.data);
    // Straight plunge "p 10 v f 3 a p 10 f 1", then "r 1 1", then the vertices.
    std::vector<std::string> expected = {"p 10", "v 3 500", "f 3", "a", "p 10",   "f 1", "r 1 1", "a",
                                         "l 1",  "p 1",  // first vertex: a stop
                                         "a",    "l 1000",  "a",   "a", "l 1200", "a",   "l 1",   "p 1"};
    ASSERT_GE(c.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(c.begin(), c.begin() + expected.size()), expected);
    EXPECT_TRUE(f.SpeedProfile.empty());  // freed after the figure
}

// The vertex commands of a line written on the older controller with the step ramp (after the
// plunge and the "r 1 1" that follow the approach).
std::vector<std::string> VertexCommandsOfLine(std::vector<tpunkt> points) {
    Settings settings;
    JobMachine machine = StepRamp(test::ParallelSet0());
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    sink.data.clear();
    tfigura f = Line(std::move(points));
    w.WriteFigure(f);
    auto c = ContourCommands(sink.data);
    if (c.size() < 7) return {};
    return std::vector<std::string>(c.begin() + 7, c.end());
}

TEST(JobWriterTest, OlderControllerResendsTheLimitAfterAStop) {
    // 1 mm legs with a right-angle corner in the middle: stop, 1200, stop, 1200, stop.
    auto c = VertexCommandsOfLine({{0, 0, 0}, {40, 0, 0}, {80, 0, 0}, {80, 40, 0}, {80, 80, 0}});
    std::vector<std::string> expected = {"a",   "l 1", "p 1",    "a", "l 1200", "a",  "l 1",
                                         "p 1", "a",   "l 1200", "a", "l 1",    "p 1"};
    ASSERT_GE(c.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(c.begin(), c.begin() + expected.size()), expected);
}

TEST(JobWriterTest, SecondStopAddsOnlyAPause) {
    auto c = VertexCommandsOfLine({{0, 0, 0}, {40, 0, 0}, {80, 0, 0}, {80, 40, 0}, {40, 40, 0}});
    std::vector<std::string> expected = {"a", "l 1", "p 1", "a", "l 1200", "a", "l 1", "p 1", "a", "p 1", "a", "p 1"};
    ASSERT_GE(c.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(c.begin(), c.begin() + expected.size()), expected);
}

TEST(JobWriterTest, PeckDrillingGoesDownInStepsAndRetractsHalfAMillimetre) {
    Settings settings;
    settings.SetNumber("grubosc", 10);
    settings.SetNumber("ponad_stol", 0);
    settings.SetNumber("Skok_wiercenia", 2);
    JobMachine machine = UnitSteps();
    machine.StepsZ = 0.1;  // 10 steps per mm
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindDxf, OutputStream);
    const auto start = w.StreamPosition();
    tfigura f = Line({{1000, 1000, 1000}, {1000, 1000, 400}});  // DXF units: hole bottom 4 mm
    f.PointFigure = true;
    w.WriteFigure(f);
    w.CloseOutput();
    auto cmds = DecodeJob(sink.data, kOlderLengths);
    std::vector<std::int64_t> z;
    for (auto& p : test::MovePositions(cmds, {start.X, start.Y, start.Z})) z.push_back(p.Z);
    // travel at safe 15, approach 11, surface 10, peck 8, 8.5, 8, peck 6, 6.5, 6, bottom 4
    // (not a third peck: 6 - 2 is not above 4), lift 15, park (only X, Y change).
    EXPECT_EQ(z, (std::vector<std::int64_t>{150, 110, 100, 80, 85, 80, 60, 65, 60, 40, 150, 150}));
}

TEST(JobWriterTest, HoleFarBelowAnyMachineIsAnErrorNotEndlessPecks) {
    Settings settings;
    settings.SetNumber("Skok_wiercenia", 0.01);
    JobMachine machine = UnitSteps();
    machine.StepsZ = 0.0;  // no Z axis: no move ever grows too long to stop the pecks
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindDxf, OutputStream);
    tfigura f = Line({{1000, 1000, 1000}, {1000, 1000, -1e12}});
    f.PointFigure = true;
    try {
        w.WriteFigure(f);
        FAIL() << "no error";
    } catch (const CoreError& e) {
        EXPECT_EQ(e.kind(), CoreError::Kind::Range);
    }
    EXPECT_LT(sink.data.size(), 1000u);
}

// A job of many figures written together (made on several cores) is the job written figure by
// figure: every byte, the stream position, the extents; a figure that fails stops it after the
// same bytes, with the same error.
TEST(JobWriterTest, FiguresWrittenTogetherGiveTheJobOfOneAfterTheOther) {
    std::vector<tfigura> figures;
    for (int i = 0; i < 700; ++i) {
        const double x = (i % 30) * 2500.0 + (i % 7), y = (i / 30) * 2500.0 - (i % 5) * 3.0;
        tfigura f = Line({{x, y, 1100}, {x + 900, y, 1000.0 - i % 3}, {x + 900, y + 700, 900}, {x, y, 900}});
        f.PointFigure = i % 50 == 7;
        if (i == 100 || i == 101) f.ToolPath3D.resize(1);  // nothing to write
        figures.push_back(std::move(f));
    }
    // One job written from copies of the figures, together or one after the other.
    struct Job {
        Settings settings;
        JobMachine machine = StepRamp(test::ParallelSet0());
        MemoryJobSink sink;
        std::unique_ptr<JobWriter> w;
        std::string error;
        Job(std::vector<tfigura> fs, bool together) {
            settings.SetNumber("Skok_wiercenia", 0.7);
            machine.ArmLink = machine.ArmController = true;
            w = std::make_unique<JobWriter>(sink, machine, settings);
            w->OpenOutput(KindDxf, OutputStream);
            std::vector<tfigura*> list;
            for (auto& f : fs) list.push_back(&f);
            try {
                if (together)
                    w->WriteFigures(list.size(), [&](std::size_t k, const std::function<void(tfigura&)>& use) {
                        use(*list[k]);
                    });
                else
                    for (tfigura* f : list) w->WriteFigure(*f);
            } catch (const CoreError& e) {
                error = e.what();
            }
        }
    };
    for (bool failing : {false, true}) {
        if (failing) figures[500].ToolPath3D[2].X = 1e13;  // a move too long for the controller
        const Job one(figures, false), together(figures, true);
        EXPECT_EQ(one.error.empty(), !failing);
        EXPECT_EQ(one.error, together.error);
        EXPECT_GT(one.sink.data.size(), 20000u);
        ASSERT_EQ(one.sink.data, together.sink.data);
        const TIntPoint3D& a = one.w->StreamPosition();
        const TIntPoint3D& b = together.w->StreamPosition();
        EXPECT_EQ(a.X, b.X);
        EXPECT_EQ(a.Y, b.Y);
        EXPECT_EQ(a.Z, b.Z);
        EXPECT_EQ(one.w->JobExtentMin(), together.w->JobExtentMin());
        EXPECT_EQ(one.w->JobExtentMax(), together.w->JobExtentMax());
    }
}

TEST(JobWriterTest, GcodeFigureWithOnePoint) {
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindGcode, OutputGcodeStream);
    sink.data.clear();
    tfigura f = Line({{0, 0, 2000}});  // already there: the job starts at JobStartZ 20 mm
    f.RapidFigure = true;
    w.WriteFigure(f);
    EXPECT_EQ(test::Lines(DecodeJob(sink.data, kOlderLengths)),
              (std::vector<std::string>{"p 10", "f 0", "l 1", "p 10", "p 20"}));
}

TEST(JobWriterTest, GcodeFigureSendsEverySpeedIndexAndItsFeed) {
    Settings settings;
    JobMachine machine = StepRamp(test::ParallelSet0());
    machine.ArmLink = true;
    settings.SetFlag("wygladzanie", true);
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindGcode, OutputGcodeStream);
    sink.data.clear();
    // G-code units (0.01 mm): 0, 100, 101, 102, 103 mm, straight.
    tfigura f = Line({{0, 0, 2000}, {10000, 0, 2000}, {10100, 0, 2000}, {10200, 0, 2000}, {10300, 0, 2000}});
    f.Feed = 500;
    // Pass 5 keeps the values: the next vertex's speed is reached long before.
    machine.RampIndexOfTimer = [](std::int32_t) { return 1000; };
    w.WriteFigure(f);
    auto lines = test::Lines(DecodeJob(sink.data, kOlderLengths));
    std::vector<std::string> names;
    for (auto& l : lines) names.push_back(l[0] == 'a' ? "a" : l[0] == 'v' ? l.substr(0, 3) : l);
    EXPECT_EQ(names, (std::vector<std::string>{"p 10", "v 1", "f 1", "s 1", "l 1", "p 10", "a", "l 1000", "a", "l 1050",
                                               "a", "l 1200", "a", "l 1", "p 10", "s 0", "p 20"}));
}

TEST(JobWriterTest, FlyingLaserStartOrder) {
    Settings settings;
    settings.SetFlag("LotnyStart", true);
    JobMachine machine = test::ArmLaser();
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    sink.data.clear();
    tfigura f = Line({{0, 0, 0}, {400, 0, 0}, {800, 400, 0}});
    w.WriteFigure(f);
    auto names = test::Names(DecodeJob(sink.data, kArmLengths));
    // From the origin without Z the travel, approach and plunge moves are empty. Then: first
    // vertex (a stop, "p"), and for each next vertex: run-up behind the previous one, "p" 100,
    // back to it, the move, laser on, overrun at the stop, laser off, "p" 10.
    EXPECT_EQ(names,
              "p f p p v f p f p v f p f p "
              "a p a a r sLS a sLC p "
              "a p a a r sLS a sLC p "
              "p sLC p v f a p f");
}

TEST(JobWriterTest, LaserPulseDrilling) {
    Settings settings;
    settings.SetNumber("CzasImpulsu", 250);
    JobMachine machine = test::ArmLaser();
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    sink.data.clear();
    tfigura f = Line({{400, 400, 0}, {400, 400, 0}});
    f.PointFigure = true;
    w.WriteFigure(f);
    auto lines = test::Lines(DecodeJob(sink.data, kArmLengths));
    auto it = std::find(lines.begin(), lines.end(), "SLT 250");
    ASSERT_NE(it, lines.end());
    EXPECT_EQ(*(it - 1), "r 1 1");
    EXPECT_EQ(*(it + 1), "sLP");
    EXPECT_EQ(*(it + 2), "SP 250");
    EXPECT_EQ(*(it + 3), "p 1");
    EXPECT_EQ(*(it + 4), "r 0 1");
}

TEST(JobWriterTest, BezierPathOnlyOnTheNewerController) {
    Settings settings;
    settings.SetFlag("wygladzanie", true);
    JobMachine machine = test::ArmLaser();
    machine.Firmware550 = true;
    tfigura f = Line({{0, 0, 0}, {400, 0, 0}, {400, 400, 0}});
    BezierSegmentRecord seg;
    seg.P1 = {100, 0, 0};
    seg.P2 = {300, 0, 0};
    seg.P3 = {400, 0, 0};
    seg.ParameterStep = 0.0125f;
    seg.SmoothJoin = false;
    f.RampedBezierPath = {seg};
    {
        MemoryJobSink sink;
        JobWriter w(sink, machine, settings);
        w.OpenOutput(KindHpgl, OutputStream);
        sink.data.clear();
        w.WriteFigure(f);
        auto lines = test::Lines(DecodeJob(sink.data, kArmLengths));
        auto it = std::find(lines.begin(), lines.end(), "sWA 0 0 0");
        ASSERT_NE(it, lines.end());
        EXPECT_EQ(*(it + 1), "sWB 2500 0 0");  // 2.5 mm at 1000 steps per mm
        EXPECT_EQ(*(it + 2), "sWC 7500 0 0");
        EXPECT_EQ(*(it + 3), "sWD 10000 0 0");
        EXPECT_EQ(*(it + 5), "sWL 100");
        EXPECT_EQ(*(it + 6), "sWG 0");
        EXPECT_EQ(*(it + 7), "sWW");
        EXPECT_EQ(*(it + 8), "l 65535");
        EXPECT_EQ(*(it + 9), "p 100");
        // Packets are padded with blanks.
        auto at = sink.data.find("sWW");
        EXPECT_EQ(sink.data.substr(at, 16), "sWW             ");
    }
    machine.ArmController = false;  // an older controller reporting firmware 550
    machine.Laser = false;
    machine.ModelCode = "NKT";
    {
        MemoryJobSink sink;
        JobWriter w(sink, machine, settings);
        w.OpenOutput(KindHpgl, OutputStream);
        w.WriteFigure(f);
        w.CloseOutput();
        auto cmds = DecodeJob(sink.data, kOlderLengths);  // cuts cleanly: no 16-byte packets
        EXPECT_EQ(test::Names(cmds).find("sW"), std::string::npos);
    }
}

TEST(JobWriterTest, BezierSegmentsWidenTheExtentsByTheirControlPoints) {
    Settings settings;
    settings.SetFlag("wygladzanie", true);
    JobMachine machine = test::ArmLaser();
    machine.Firmware550 = true;
    tfigura f = Line({{0, 0, 0}, {400, 0, 0}});
    BezierSegmentRecord seg;
    seg.P1 = {100, -200, 0};  // HPGL units: -5 mm
    seg.P2 = {300, 600, 0};   // 15 mm
    seg.P3 = {400, 0, 0};
    seg.ParameterStep = 0.0125f;
    f.RampedBezierPath = {seg};
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    w.WriteFigure(f);
    w.CloseOutput();
    EXPECT_DOUBLE_EQ(w.JobExtentMin().Y, -5.0);
    EXPECT_DOUBLE_EQ(w.JobExtentMax().Y, 15.0);
    EXPECT_DOUBLE_EQ(w.JobExtentMax().X, 10.0);
}

TEST(JobWriterTest, HpglExport) {
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputHpgl);
    tfigura f;
    f.Layer = 2;
    f.Contour = {{12.5, -3.5, 0}, {20, 0, 0}};
    f.CutPath = {{0, 0}, {0, 0}, {10, 0}};
    w.WriteFigure(f);
    w.CloseOutput();
    EXPECT_EQ(sink.data, "SP 2;\r\nPA 12,-4;\r\nPD 20,0;\r\nPU;\r\nPA 0,0;\r\nPD 10,0;\r\nPU;\r\n");
}

TEST(JobFileTest, FileAppearsOnlyWhenTheJobIsComplete) {
    test::TempDir dir;
    const auto target = dir / "out.cnx";
    test::WriteFileBytes(target, "an old job");
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    {
        FileJobSink sink(target);
        JobWriter w(sink, machine, settings);
        w.OpenOutput(KindHpgl, OutputStream);
        // the old job stays whole until the new one replaces it (a power cut meanwhile leaves
        // one or the other, never a short file)
        EXPECT_EQ(test::ReadFileBytes(target), "an old job");
        w.CloseOutput();
    }
    EXPECT_EQ(test::ReadFileBytes(target).size(), 61u);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.cnx.part"));
    {
        FileJobSink sink(target);
        JobWriter w(sink, machine, settings);
        w.OpenOutput(KindHpgl, OutputStream);
        // the save stops here (an error in a figure): the sink goes without a commit
    }
    EXPECT_FALSE(std::filesystem::exists(target));  // no old job is left to be taken
    EXPECT_FALSE(std::filesystem::exists(dir / "out.cnx.part"));
    EXPECT_THROW(FileJobSink(dir / "no such folder" / "out.cnx"), CoreError);

    // An export to a file of the user's keeps the old file until the new one is complete.
    const auto exportPath = dir / "drawing.plt";
    test::WriteFileBytes(exportPath, "PU;\r\n");
    {
        FileJobSink sink(exportPath, false);
        sink.Write("SP 1;\r\n");
    }
    EXPECT_EQ(test::ReadFileBytes(exportPath), "PU;\r\n");
}

TEST(JobFileTest, CommitOfAFileNoLongerOpenIsAnError) {
    test::TempDir dir;
    FileJobSink sink(dir / "out.cnx");
    sink.Write("p");
    sink.Commit();
    EXPECT_EQ(test::ReadFileBytes(dir / "out.cnx"), "p");
    EXPECT_THROW(sink.Commit(), CoreError);
    EXPECT_THROW(sink.Write("p"), CoreError);
    EXPECT_EQ(test::ReadFileBytes(dir / "out.cnx"), "p");
}

TEST(JobFileTest, WriteFailureIsReportedAndLeavesNoFile) {
    test::TempDir dir;
    const auto target = dir / "out.cnx";
    auto old = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    bool thrown = false;
    try {
        FileJobSink sink(target);
        std::string chunk(1000, 'p');
        for (int i = 0; i < 200; ++i) sink.Write(chunk);
        sink.Commit();
    } catch (const CoreError& e) {
        thrown = e.kind() == CoreError::Kind::InputOutput;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old);
    EXPECT_TRUE(thrown);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.cnx.part"));
}

}  // namespace
}  // namespace vellisk

namespace vellisk {
namespace {

TEST(JobDecoderTest, CutsByTheLengthTableAndRejectsBrokenFiles) {
    std::string job = std::string("p\x0a", 2) + std::string("l\xff\xff", 3) + std::string("v\x01\x15\x02", 4);
    EXPECT_EQ(JobListing(job, test::kOlderLengths), "p 10\nl 65535\nv 1 533\n");
    auto cmds = DecodeJob(job, test::kOlderLengths);
    EXPECT_EQ(cmds[2].offset, 5u);
    EXPECT_THROW(DecodeJob(job.substr(0, 7), test::kOlderLengths), CoreError);  // cut short
    EXPECT_THROW(DecodeJob(std::string("\x10", 1), test::kOlderLengths), CoreError);
    EXPECT_THROW(DecodeJob("{", test::kOlderLengths), CoreError);
    // The newer controller's table: 32-bit speeds, packets of 16 bytes.
    std::string arm = std::string("v\x01\x40\x42\x0f\x00", 6) + std::string("SE") + std::string(14, '\0');
    EXPECT_EQ(JobListing(arm, test::kArmLengths), "v 1 1000000\nSE\n");
}

}  // namespace
}  // namespace vellisk

namespace vellisk {
namespace {

std::vector<std::string> FigureLines(JobMachine& machine, Settings& settings, tfigura f, int kind = KindHpgl) {
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(kind, OutputStream);
    sink.data.clear();
    w.WriteFigure(f);
    return test::Lines(DecodeJob(sink.data, machine.ArmController ? test::kArmLengths : test::kOlderLengths));
}

int Count(const std::vector<std::string>& lines, const std::string& what) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), what));
}

TEST(JobWriterFigureTest, StraightPlungeOnlyWithoutRampPolishingOrEngraving) {
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    tfigura f;
    f.ToolPath3D = {{0, 0, 0}, {400, 0, 0}, {400, 400, 0}};
    // The approach and the plunge each set speed 3 to the drilling feed (500 ticks).
    EXPECT_EQ(Count(FigureLines(machine, settings, f), "v 3 500"), 2);
    machine.PlungePitch = 2;
    EXPECT_EQ(Count(FigureLines(machine, settings, f), "v 3 500"), 1);
    machine.PlungePitch = 100;
    settings.SetChoice("ProjektType", 1);
    EXPECT_EQ(Count(FigureLines(machine, settings, f), "v 3 500"), 1);
    settings.SetChoice("ProjektType", 0);
    settings.SetFlag("polerowanie", true);
    EXPECT_EQ(Count(FigureLines(machine, settings, f), "v 3 500"), 1);
}

TEST(JobWriterFigureTest, PolishingSpeedSwitchesOnceBelowItsLevel) {
    Settings settings;
    settings.SetFlag("polerowanie", true);
    // Surface 10.5 mm, depth 1.5 mm: polishing from 9.5 mm, minus 0.001.
    JobMachine machine = test::ParallelSet0();
    tfigura f;
    auto z = [](double mm) { return mm * 40; };
    f.ToolPath3D = {{0, 0, z(10)}, {400, 0, z(9.5)}, {800, 0, z(9.4)}, {1200, 0, z(9)}, {1600, 0, z(9)}};
    auto lines = FigureLines(machine, settings, f);
    EXPECT_EQ(Count(lines, "v 3 1333"), 1);  // 200 mm/min, never times StepsZ
    auto it = std::find(lines.begin(), lines.end(), "v 3 1333");
    ASSERT_NE(it, lines.end());
    EXPECT_EQ(*(it + 1), "p 1");
    EXPECT_EQ(*(it + 2), "f 3");
    EXPECT_EQ(*(it + 3), "r 1 3");
    // It comes right before the move to the vertex at 9.4 mm: two vertex moves precede it.
    int movesBefore = 0;
    auto contour = std::find(std::make_reverse_iterator(it), lines.rend(), "r 1 1").base();
    for (auto i = contour; i != it; ++i)
        if ((*i)[0] == 'a') ++movesBefore;
    EXPECT_EQ(movesBefore, 2);
}

TEST(JobWriterFigureTest, ReversedZSendsEveryVertexAtTheJobStartHeight) {
    Settings settings;
    JobMachine machine = test::ParallelSet0();
    machine.ZReversed = true;
    machine.JobStartZ = 12;
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    EXPECT_DOUBLE_EQ(w.StreamStartZ(), 12);
    const auto start = w.StreamPosition();
    sink.data.clear();
    tfigura f;
    f.ToolPath3D = {{400, 0, -80}, {800, 0, -120}, {800, 400, -160}};
    w.WriteFigure(f);
    for (auto& p : test::MovePositions(DecodeJob(sink.data, test::kOlderLengths), {start.X, start.Y, start.Z}))
        EXPECT_EQ(p.Z, start.Z);
}

}  // namespace
}  // namespace vellisk
