#include "drawing_window/project_io.h"

#include <filesystem>
#include <optional>

#include "drawing_files/hpgl.h"
#include "drawing_files/job_machine_context.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "settings/settings.h"

namespace vellisk {

namespace {

// Reads every kind of drawing with the program's reader.
class FileDrawingInput : public DrawingInput {
public:
    FileDrawingInput(MachineContext& ctx, const Settings& settings) : ctx_(ctx), settings_(settings) {}

    int OpenInput(const std::string& path, int kind) override {
        DrawingReaderSettings rs;
        rs.mnoznikZ = settings_.Number(setting::DepthMultiplier);
        const tplotparams& p = ctx_.PlotParams;
        rs.gcode = GcodeLimits{double(p.MinFeed), double(p.MaxWorkSpeed), double(p.PowerMin), double(p.PowerMax)};
        return reader_.OpenInput(path, kind, rs);
    }
    void ReadFigure(tfigura& figure) override { reader_.ReadFigure(figure); }
    bool EndOfFile() const override { return reader_.EndOfFile; }
    void CloseInput() override { reader_.CloseInput(); }
    std::string Where() const override { return "line " + std::to_string(reader_.LineNumber()); }
    std::vector<std::string> Warnings() const override { return reader_.Warnings(); }
    double GcodePower() const override { return reader_.GcodePower(); }

private:
    MachineContext& ctx_;
    const Settings& settings_;
    Thpgl reader_;
};

}  // namespace

std::unique_ptr<DrawingInput> MakeDrawingInput(MachineContext& ctx, const Settings& settings) {
    return std::make_unique<FileDrawingInput>(ctx, settings);
}

JobFileWriter::JobFileWriter(MachineContext& ctx, JobValues& job, const Settings& settings, int outputKind,
                             double gcodePower)
    : ctx_(ctx), job_(job), settings_(settings), outputKind_(outputKind), gcodePower_(gcodePower) {}

JobFileWriter::~JobFileWriter() = default;

void JobFileWriter::OpenOutput(const std::string& path, int kind) {
    writer_.reset();
    sink_ = std::make_unique<FileJobSink>(path, outputKind_ != OutputHpgl);
    machine_ = std::make_unique<JobMachine>(JobMachineOf(ctx_, job_, gcodePower_));
    writer_ = std::make_unique<JobWriter>(*sink_, *machine_, settings_);
    writer_->OpenOutput(kind, outputKind_);
}

void JobFileWriter::WriteLayerSettings(double speed, double power, double rest) {
    if (!writer_) throw CoreError::io("job output is not open");
    writer_->WriteLayerSettings(speed, power, rest);
}

void JobFileWriter::WriteFigure(tfigura& figure) {
    if (!writer_) throw CoreError::io("job output is not open");
    writer_->WriteFigure(figure);
}

void JobFileWriter::WriteEntries(std::size_t count, const EntryLender& lend) {
    if (!writer_) throw CoreError::io("job output is not open");
    writer_->WriteFigures(count, lend);
}

void JobFileWriter::CloseOutput() {
    if (!writer_) throw CoreError::io("job output is not open");
    writer_->CloseOutput();
    if (outputKind_ != OutputHpgl) StoreJobResults(job_, *writer_);
    writer_.reset();
    machine_.reset();
    sink_.reset();
}

}  // namespace vellisk
