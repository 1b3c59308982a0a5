#pragma once
// Helpers of the job writer tests: a machine of model set 0 on the parallel port with plain
// speed conversions, a decoder table, and a walk of the decoded moves.
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "drawing_files/gcode_reader.h"
#include "drawing_files/job_decoder.h"
#include "drawing_files/job_machine.h"
#include "drawing_files/job_sink.h"
#include "drawing_files/job_writer.h"
#include "settings/settings.h"
#include "support/test_support.h"
#include "model/numeric.h"

namespace vellisk::test {

// Command lengths of the older controller and of the newer one.
inline constexpr std::array<std::uint8_t, 27> kOlderLengths = {1, 14, 2, 1, 1, 1, 2, 1, 2, 2, 1, 1, 3, 1,
                                                               4, 1,  2, 1, 3, 2, 3, 7, 4, 1, 1, 1, 1};
inline constexpr std::array<std::uint8_t, 27> kArmLengths = {1, 15, 2, 1, 1, 1,  2, 1, 2, 2, 1, 1, 3, 1,
                                                             4, 1,  2, 1, 3, 16, 3, 7, 6, 1, 1, 1, 1};

// Model set 0 (BKT) on the parallel port, with its timer conversion and a ramp that falls
// like 4257 / sqrt(i).
inline JobMachine ParallelSet0() {
    JobMachine m;
    m.SpeedToTimer = [](std::int32_t feed) -> std::uint32_t {
        if (feed < 12) return 0xFFFF;
        double v = feed * 100.0 / 60.0;
        return static_cast<std::uint32_t>(RoundHalfEven(1000000.0 / v / 0.75));
    };
    m.RampTimerAt = [](std::int32_t i) -> std::uint16_t {
        if (i <= 0) return 8514;
        if (i > 255) i = 255;
        return static_cast<std::uint16_t>(4257.0 / std::sqrt(static_cast<double>(i)));
    };
    m.RampIndexOfTimer = [](std::int32_t timer) -> std::int32_t {
        for (std::int32_t i = 0; i < 256; ++i) {
            std::uint16_t t = i == 0 ? 8514 : static_cast<std::uint16_t>(4257.0 / std::sqrt(double(i)));
            if (t <= timer) return i;
        }
        return 255;
    };
    return m;
}

// A newer (ARM) controller laser machine with simple conversions.
inline JobMachine ArmLaser() {
    JobMachine m;
    m.Multiplier = 1;
    m.StepsX = m.StepsY = 10.0;
    m.StepsZ = 0.0;
    m.MaxSpeed = 26000;
    m.MaxZSpeed = 16000;
    m.MinFeed = 1;
    m.ArmController = true;
    m.Laser = true;
    m.ArmLink = true;
    m.ModelCode = "HYG64";
    m.SpeedToTimer = [](std::int32_t feed) -> std::uint32_t {
        if (feed < 1) return 0xFFFF;
        return static_cast<std::uint32_t>(RoundHalfEven(100000.0 / (feed * 100.0 / 60.0) / 0.0125));
    };
    m.RampTimerAt = [](std::int32_t i) -> std::uint16_t {
        return i <= 0 ? 10234 : static_cast<std::uint16_t>(std::max(159.0, 10234.0 / std::sqrt(i / 2.0 + 1)));
    };
    m.RampIndexOfTimer = [](std::int32_t timer) -> std::int32_t {
        return timer >= 10234
                   ? 0
                   : std::min<std::int32_t>(
                         131070, static_cast<std::int32_t>(2.0 * (std::pow(10234.0 / std::max(timer, 159), 2) - 1)));
    };
    return m;
}

// The names of the decoded commands, one string.
inline std::string Names(const std::vector<DecodedCommand>& cmds) {
    std::string s;
    for (const auto& c : cmds) {
        if (!s.empty()) s += ' ';
        s += c.name;
    }
    return s;
}

// The decoded commands as lines.
inline std::vector<std::string> Lines(const std::vector<DecodedCommand>& cmds) {
    std::vector<std::string> v;
    for (const auto& c : cmds) v.push_back(c.Text());
    return v;
}

// Positions (steps) after each move, starting from `start`.
struct StepPoint {
    std::int64_t X, Y, Z;
};
inline std::vector<StepPoint> MovePositions(const std::vector<DecodedCommand>& cmds, StepPoint start) {
    std::vector<StepPoint> out;
    for (const auto& c : cmds) {
        if (c.name != "a") continue;
        int flags = static_cast<int>(c.operands[0]);
        auto sgn = [&](int bit, double v) {
            return (flags & bit) ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
        };
        start.X += sgn(1, c.operands[2]);
        start.Y += sgn(2, c.operands[3]);
        start.Z += sgn(4, c.operands[4]);
        out.push_back(start);
    }
    return out;
}

// The G-code program "pocket.nc" of the project's test data written as a job for the given
// machine into `out`; returns the job's bytes. The job's extents go to min and max when given.
inline std::string WritePocketJob(JobMachine machine, const std::filesystem::path& out, tpunkt* min = nullptr,
                                  tpunkt* max = nullptr) {
    GcodeReader reader(DrawingText::FromFile(ProjectTestData("jobs") / "pocket.nc"),
                       GcodeLimits{12, 1000, 3000, 24000});
    std::vector<tfigura> figures;
    while (!reader.EndOfFile) {
        tfigura f;
        reader.ReadFigure(f);
        if (!f.ToolPath3D.empty()) figures.push_back(std::move(f));
    }
    Settings settings;
    machine.GcodePower = reader.GcodePower;
    {
        FileJobSink sink(out);
        JobWriter w(sink, machine, settings);
        w.OpenOutput(KindGcode, OutputGcodeStream);
        for (auto& f : figures) w.WriteFigure(f);
        w.CloseOutput();
        if (min) *min = w.JobExtentMin();
        if (max) *max = w.JobExtentMax();
    }
    return ReadFileBytes(out);
}

}  // namespace vellisk::test
