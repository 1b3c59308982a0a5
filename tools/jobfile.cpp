// Developer tool for machine job files.
//
//   jobfile decode FILE [--arm]
//       prints the job one command a line: the letter (or packet text) and its operands as
//       numbers; --arm reads it with the newer controller's command lengths.
//
//   jobfile write DRAWING OUT [--model CODE] [--usb] [--hatch MM,DEG[,outline][,two-way]] [--hpgl]
//                 [name=value ...]
//       loads an HPGL (".plt"), DXF (".dxf") or G-code (".nc") drawing as the program does
//       (clean-up, nesting, direction, cutting order, tool paths) and writes the machine job OUT for the model CODE (default BKT, set 0); --usb puts the controller on
//       USB/Ethernet instead of the parallel port; --hatch fills the closed figures with lines
//       first, as the hatching dialog does; --hpgl writes the HPGL export instead of the job;
//       name=value sets a setting by its component name (a number, or 0/1 for a check box).
//
//   jobfile settings OUT [name=value ...]
//       writes a whole settings file: every setting at its default, except those given by their
//       component name, as the configuration's Save writes it.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "drawing_files/file_kind.h"
#include "drawing_files/job_decoder.h"
#include "drawing_window/project_io.h"
#include "machine_link/commands.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "platform/notifier.h"
#include "platform/whole_file.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "settings/settings_files.h"
#include "tool_support.h"

namespace {

using namespace vellisk;

int Usage(const char* self) {
    std::fprintf(stderr,
                 "usage: %s decode FILE [--arm]\n"
                 "       %s write DRAWING OUT [--model CODE] [--usb] [--hatch MM,DEG[,outline][,two-way]] "
                 "[--hpgl] [name=value ...]\n"
                 "       %s settings OUT [name=value ...]\n",
                 self, self, self);
    return 2;
}

int Decode(const char* file, bool arm) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file);
        return 1;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CommandLengthTable lengths;
    lengths.SetController(arm);
    std::fputs(JobListing(bytes, lengths.Entries()).c_str(), stdout);
    return 0;
}

int Write(int argc, char** argv) {
    const std::filesystem::path drawing = argv[2], out = argv[3];
    Settings settings;
    ProgramEnvironment env;
    JobValues jobValues;
    MachineContext ctx;
    env.Lang.Language = kLangEnglish;
    tools::PrintingNotifier notifier("jobfile");
    std::string model = "BKT";
    bool usb = false, hpgl = false;
    std::optional<HatchOptions> hatch;
    for (int i = 4; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--model" && i + 1 < argc)
            model = argv[++i];
        else if (a == "--usb")
            usb = true;
        else if (a == "--hpgl")
            hpgl = true;
        else if (a == "--hatch" && i + 1 < argc)
            hatch = tools::ParseHatch(argv[++i]);
        else
            tools::SetFromText(settings, a);
    }
    ctx.PlotState.Model = model;
    ctx.OsIsNT = usb;
    SelectMachineModel(ctx, env, notifier);

    const int kind = FileKindOf(drawing);
    if (kind != KindHpgl && kind != KindDxf && kind != KindGcode)
        throw CoreError::conversion("drawing kind not handled by this tool: " + drawing.string());
    Project project(kind, settings, ctx, env, jobValues, notifier);
    auto input = MakeDrawingInput(ctx, settings);
    const LoadResult r = project.Load(drawing.string(), *input);
    for (const auto& w : r.warnings) std::fprintf(stderr, "jobfile: %s\n", w.c_str());
    if (r.status != LoadStatus::Ok) return 1;
    if (hatch && !tools::HatchProject(project, *hatch, settings, env, jobValues, notifier)) return 1;
    const int output = hpgl ? OutputHpgl : kind == KindGcode ? OutputGcodeStream : OutputStream;
    JobFileWriter writer(ctx, jobValues, settings, output, input->GcodePower());
    project.Save(out.string(), 0, project.Count() - 1, writer);
    if (hpgl) {
        std::printf("%d figures, %ju bytes of HPGL\n", project.Count(),
                    static_cast<std::uintmax_t>(std::filesystem::file_size(out)));
        return 0;
    }
    std::printf("%d figures, %ju bytes; extents X %.3f..%.3f Y %.3f..%.3f mm\n", project.Count(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(out)), jobValues.ExtentMin[0],
                jobValues.ExtentMax[0], jobValues.ExtentMin[1], jobValues.ExtentMax[1]);
    return 0;
}

int WriteSettings(int argc, char** argv) {
    Settings settings;
    for (int i = 3; i < argc; ++i) tools::SetFromText(settings, argv[i]);
    std::string why;
    if (!WriteWholeFile(argv[2], SettingsFileText(settings, LocaleDecimalSeparator()), &why)) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[2], why.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc >= 3 && std::strcmp(argv[1], "decode") == 0)
            return Decode(argv[2], argc > 3 && std::strcmp(argv[3], "--arm") == 0);
        if (argc >= 4 && std::strcmp(argv[1], "write") == 0) return Write(argc, argv);
        if (argc >= 3 && std::strcmp(argv[1], "settings") == 0) return WriteSettings(argc, argv);
    } catch (const vellisk::CoreError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return Usage(argv[0]);
}
