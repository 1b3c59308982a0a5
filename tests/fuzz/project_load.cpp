// Feeds arbitrary figures to a project's load under arbitrary ordering settings: the clean-up,
// nesting, keys, directions and order must end without a crash, and the nesting tree must hold
// together (every parent in the project, every level one below its parent's).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "drawing_files/drawing_text.h"
#include "drawing_window/project.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace {

using namespace vellisk;

// Bytes after the settings: a 0xFF byte ends a figure, any other pair of bytes is a point.
class BytesInput : public DrawingInput {
public:
    BytesInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int OpenInput(const std::string&, int) override { return 0; }
    void ReadFigure(tfigura& f) override {
        while (pos_ < size_ && data_[pos_] != 0xFF) {
            if (pos_ + 1 >= size_) {
                ++pos_;
                break;
            }
            f.Contour.push_back({data_[pos_] * 10.0, data_[pos_ + 1] * 10.0, 0.0});
            pos_ += 2;
        }
        ++pos_;
        f.Layer = static_cast<std::int32_t>(f.Contour.size()) - 3;
        CompleteReadFigure(f);
    }
    bool EndOfFile() const override { return pos_ >= size_; }
    void CloseInput() override {}

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    Settings settings;
    const std::uint8_t a = data[0], b = data[1], c = data[2], d = data[3];
    settings.SetFlag("auto_add", a & 1);
    settings.SetFlag("auto_remove", a & 2);
    settings.SetFlag("crosstopoint", a & 4);
    settings.SetFlag("Auto_kierunek", a & 8);
    settings.SetFlag("Auto_kolejnosc", a & 16);
    settings.SetFlag("negatyw", a & 32);
    settings.SetFlag("WszystkieWjednej", a & 64);
    settings.SetFlag("doOutline", false);
    settings.SetChoice("order_fig", b % 3);
    settings.SetChoice("Order_global", (b / 3) % 6);
    settings.SetChoice("out_dir", c % 3);
    settings.SetChoice("in_dir", (c / 3) % 2);
    settings.SetChoice("ProjektType", d % 2);
    ProgramEnvironment env;
    JobValues jobValues;
    MachineContext ctx;
    SilentNotifier notifier;
    const int kind = 1 + (d / 2) % 3;
    Project project(kind, settings, ctx, env, jobValues, notifier);
    BytesInput input(data + 4, size - 4);
    project.Load("fuzz", input);
    for (const auto& f : project.Figures) {
        if (f->Level < 0) __builtin_trap();
        if (!f->Parent) {
            if (f->Level != 0) __builtin_trap();
            continue;
        }
        bool found = false;
        for (const auto& g : project.Figures) found = found || g.get() == f->Parent;
        if (!found || f->Parent->Open || f->Level != f->Parent->Level + 1) __builtin_trap();
    }
    return 0;
}
