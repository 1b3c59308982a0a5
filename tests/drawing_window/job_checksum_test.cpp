// The job files of every drawing written by other programs and of generated grids, each opened
// as a project and saved as the program does it on several machines, compared byte for byte
// with the checksums kept in tests/data/jobs/checksums.txt. Any change to the loading, the tool
// paths or the job writer that alters a single byte of a job shows here.
//
// After a deliberate change of the job bytes the file is written anew with
//   VELLISK_WRITE_JOB_CHECKSUMS=1 build/tests/test_drawing_window --gtest_filter='JobChecksums*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "drawing_files/file_kind.h"
#include "drawing_window/project_io.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "support/generated_drawings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

// A machine and the settings a job is written with.
struct JobSetup {
    const char* name;
    const char* model;
    bool usb;
    double plungePitch;
    int outputKind;  // OutputStream, or OutputHpgl for the export
    std::vector<std::pair<const char*, double>> settings;
};

const std::vector<JobSetup>& Setups() {
    static const std::vector<JobSetup> setups = {
        {"lpt", "BKT", false, 100.0, OutputStream, {}},
        {"lpt-polish-ramp", "BKT", false, 2.0, OutputStream, {{"polerowanie", 1}, {"Glebokosc", 3}}},
        {"usb-smooth", "NKV", true, 100.0, OutputStream, {{"wygladzanie", 1}, {"srednica", 6}}},
        {"arm-polish-ramp",
         "PRV",
         true,
         1.5,
         OutputStream,
         {{"polerowanie", 1}, {"poler_grubosc", 0.5}, {"Glebokosc", 2}}},
        {"laser-flying", "HYG64", true, 100.0, OutputStream, {{"LotnyStart", 1}, {"doOutline", 0}}},
        {"hpgl-export", "BKT", false, 100.0, OutputHpgl, {{"srednica", 2}}},
    };
    return setups;
}

std::uint64_t Fnv1a(const std::string& bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// "<size> <checksum>" of the job, or what stopped it ("unreadable", "refused: ...").
std::string JobOf(const std::filesystem::path& drawing, const JobSetup& setup, const std::filesystem::path& out) {
    Settings settings;
    for (const auto& [name, value] : setup.settings) {
        if (settings.KindOf(name) == SettingKind::Flag)
            settings.SetFlag(name, value != 0);
        else
            settings.SetNumber(name, value);
    }
    test::MachineRig machine;
    SilentNotifier notifier;
    machine.ctx.PlotState.Model = setup.model;
    machine.ctx.OsIsNT = setup.usb;
    SelectMachineModel(machine.ctx, machine.env, notifier);
    machine.jobValues.PlungePitch = setup.plungePitch;
    const int kind = FileKindOf(drawing);
    Project project(kind, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    auto input = MakeDrawingInput(machine.ctx, settings);
    if (project.Load(drawing.string(), *input).status != LoadStatus::Ok || project.Count() == 0) return "unreadable";
    const int outputKind = setup.outputKind == OutputHpgl ? OutputHpgl
                           : kind == KindGcode            ? OutputGcodeStream
                                                          : OutputStream;
    JobFileWriter writer(machine.ctx, machine.jobValues, settings, outputKind, input->GcodePower());
    try {
        project.Save(out.string(), 0, project.Count() - 1, writer);
    } catch (const CoreError&) {
        return "refused";
    }
    const std::string bytes = test::ReadFileBytes(out);
    char text[64];
    std::snprintf(text, sizeof text, "%zu %016llx", bytes.size(), static_cast<unsigned long long>(Fnv1a(bytes)));
    return text;
}

// A grid of squares with a hole in each, as the speed benchmarks draw it (HPGL units).
std::filesystem::path GridDrawing(const std::filesystem::path& dir, int figures) {
    const auto path = dir / ("grid_" + std::to_string(figures) + ".plt");
    test::WriteGenerated(path, test::GeneratedGrid(figures));
    return path;
}

std::map<std::string, std::string> ReadKept(const std::filesystem::path& file) {
    std::map<std::string, std::string> kept;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto a = line.find(' ');
        const auto b = line.find(' ', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        kept[line.substr(0, b)] = line.substr(b + 1);
    }
    return kept;
}

TEST(JobChecksums, EveryDrawingWritesTheKeptJobOnEveryMachine) {
    test::TempDir tmp;
    std::vector<std::pair<std::string, std::filesystem::path>> drawings;
    for (int n : {2, 400, 2000}) drawings.emplace_back("grid/" + std::to_string(n), GridDrawing(tmp.path(), n));
    const auto shared = test::SharedTestData();
    for (const char* sub : {"hpgl", "dxf", "gcode"}) {
        if (shared.empty() || !std::filesystem::exists(shared / sub)) continue;
        std::vector<std::filesystem::path> files;
        for (const auto& e : std::filesystem::directory_iterator(shared / sub))
            if (e.is_regular_file()) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const auto& f : files) drawings.emplace_back(std::string(sub) + "/" + f.filename().string(), f);
    }

    const auto keptFile = test::ProjectTestData("jobs") / "checksums.txt";
    const bool rewrite = std::getenv("VELLISK_WRITE_JOB_CHECKSUMS") != nullptr;
    const auto kept = ReadKept(keptFile);
    std::map<std::string, std::string> found;
    for (const auto& [name, path] : drawings) {
        for (const JobSetup& setup : Setups()) {
            const std::string key = std::string(setup.name) + " " + name;
            const std::string job = JobOf(path, setup, tmp / "out.cnx");
            found[key] = job;
            if (rewrite) continue;
            const auto it = kept.find(key);
            // Shared drawings that were not there when the file was written are not judged.
            if (it == kept.end()) {
                EXPECT_NE(name.rfind("grid/", 0), 0u) << key << " has no kept checksum";
                continue;
            }
            EXPECT_EQ(job, it->second) << key;
        }
    }
    if (rewrite) {
        std::ofstream out(keptFile, std::ios::binary);
        out << "# setup drawing: job size in bytes and FNV-1a 64 checksum (see job_checksum_test.cpp)\n";
        for (const auto& [key, job] : found) out << key << ' ' << job << '\n';
    }
}

}  // namespace
}  // namespace vellisk
