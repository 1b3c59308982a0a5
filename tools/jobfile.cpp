// Developer tool for machine job files.
//
//   jobfile decode FILE [--arm]
//       prints the job one command a line: the letter (or packet text) and its operands as
//       numbers; --arm reads it with the newer controller's command lengths.
//
//   jobfile write DRAWING OUT [--model CODE] [--usb] [name=value ...]
//       reads a DXF (".dxf") or G-code (".nc") drawing, prepares its tool paths and writes the
//       machine job OUT for the model CODE (default BKT, set 0); --usb puts the controller on
//       USB/Ethernet instead of the parallel port; name=value sets a setting by its component
//       name (a number, or 0/1 for a check box).
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "drawing_files/dxf_reader.h"
#include "drawing_files/gcode_reader.h"
#include "drawing_files/job_decoder.h"
#include "drawing_files/job_machine_context.h"
#include "drawing_files/job_writer.h"
#include "drawing_window/tool_path.h"
#include "machine_link/commands.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace {

using namespace vellisk;

int Usage(const char* self) {
    std::fprintf(stderr,
                 "usage: %s decode FILE [--arm]\n"
                 "       %s write DRAWING OUT [--model CODE] [--usb] [name=value ...]\n",
                 self, self);
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

void ApplySetting(Settings& settings, const std::string& arg) {
    auto eq = arg.find('=');
    if (eq == std::string::npos) throw CoreError::conversion("not name=value: " + arg);
    std::string name = arg.substr(0, eq), text = arg.substr(eq + 1);
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size())
        throw CoreError::conversion("not a number: " + arg);
    switch (settings.KindOf(name)) {
        case SettingKind::Flag: settings.SetFlag(name, v != 0); break;
        case SettingKind::Choice: settings.SetChoice(name, static_cast<int>(v)); break;
        case SettingKind::Number: settings.SetNumber(name, v); break;
    }
}

int Write(int argc, char** argv) {
    const std::filesystem::path drawing = argv[2], out = argv[3];
    Settings settings;
    MachineContext ctx;
    SilentNotifier notifier;
    std::string model = "BKT";
    bool usb = false;
    for (int i = 4; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--model" && i + 1 < argc)
            model = argv[++i];
        else if (a == "--usb")
            usb = true;
        else
            ApplySetting(settings, a);
    }
    ctx.PlotState.Model = model;
    ctx.OsIsNT = usb;
    SelectMachineModel(ctx, notifier);

    std::string ext = drawing.extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::vector<tfigura> figures;
    double gcodePower = 0.0;
    ProjectKind kind;
    if (ext == ".nc") {
        kind = KindGcode;
        const tplotparams& p = ctx.PlotParams;
        GcodeReader reader(DrawingText::FromFile(drawing),
                           GcodeLimits{double(p.MinFeed), double(p.MaxWorkSpeed), double(p.PowerMin),
                                       double(p.PowerMax)});
        while (!reader.EndOfFile) {
            tfigura f;
            reader.ReadFigure(f);
            if (!f.ToolPath3D.empty()) figures.push_back(std::move(f));
        }
        gcodePower = reader.GcodePower;
    } else if (ext == ".dxf") {
        kind = KindDxf;
        DxfReader reader(DrawingText::FromFile(drawing));
        while (!reader.EndOfFile) {
            tfigura f;
            reader.ReadFigure(f);
            if (!f.Contour.empty()) figures.push_back(std::move(f));
        }
    } else {
        throw CoreError::conversion("drawing kind not handled by this tool: " + drawing.string());
    }
    std::vector<tfigura*> order;
    for (auto& f : figures) order.push_back(&f);
    if (kind != KindGcode) {
        ToolPathMachine prep;
        prep.kind = kind;
        prep.PlungePitch = ctx.PlungePitch;
        prep.ZReversed = ctx.PlotParams.ZReversed != 0;
        prep.Firmware550 = ctx.Firmware550;
        ToolPathWindow window;
        AddOutline(order, window, settings, prep, notifier);
        ctx.JobStartZ = window.JobStartZ;
    }
    JobMachine machine = JobMachineOf(ctx, gcodePower);
    FileJobSink sink(out);
    JobWriter w(sink, machine, settings);
    w.OpenOutput(kind, kind == KindGcode ? OutputGcodeStream : OutputStream);
    for (auto* f : order) w.WriteFigure(*f);
    w.CloseOutput();
    std::printf("%zu figures, %ju bytes; extents X %.3f..%.3f Y %.3f..%.3f mm\n", order.size(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(out)), w.JobExtentMin().X,
                w.JobExtentMax().X, w.JobExtentMin().Y, w.JobExtentMax().Y);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc >= 3 && std::strcmp(argv[1], "decode") == 0)
            return Decode(argv[2], argc > 3 && std::strcmp(argv[3], "--arm") == 0);
        if (argc >= 4 && std::strcmp(argv[1], "write") == 0) return Write(argc, argv);
    } catch (const vellisk::CoreError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return Usage(argv[0]);
}
