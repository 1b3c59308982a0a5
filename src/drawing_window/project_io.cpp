#include "drawing_window/project_io.h"

#include <filesystem>
#include <optional>

#include "drawing_files/drawing_text.h"
#include "drawing_files/dxf_reader.h"
#include "drawing_files/gcode_reader.h"
#include "drawing_files/job_machine_context.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"

namespace vellisk {

namespace {

// Reads DXF and G-code drawings with their readers.
class FileDrawingInput : public DrawingInput {
public:
    explicit FileDrawingInput(MachineContext& ctx) : ctx_(ctx) {}

    int OpenInput(const std::string& path, int kind) override {
        DrawingText text;
        try {
            text = DrawingText::FromFile(path);
        } catch (const std::exception&) {
            return 1;
        }
        kind_ = kind;
        switch (kind) {
            case KindDxf:
                ctx_.DxfEntitiesFound = false;
                dxf_.emplace(std::move(text));
                break;
            case KindGcode: {
                const tplotparams& p = ctx_.PlotParams;
                gcode_.emplace(std::move(text), GcodeLimits{double(p.MinFeed), double(p.MaxWorkSpeed),
                                                            double(p.PowerMin), double(p.PowerMax)});
                gcode_->ResetReaderState();
                break;
            }
            default:
                throw CoreError::io("no reader for this kind of drawing: " + std::filesystem::path(path).filename().string());
        }
        return 0;
    }
    void ReadFigure(tfigura& figure) override {
        if (dxf_) {
            dxf_->ReadFigure(figure);
            ctx_.DxfEntitiesFound = dxf_->DxfEntitiesFound;
        } else if (gcode_) {
            gcode_->ReadFigure(figure);
        }
    }
    bool EndOfFile() const override {
        if (dxf_) return dxf_->EndOfFile;
        if (gcode_) return gcode_->EndOfFile;
        return true;
    }
    void CloseInput() override {
        dxf_.reset();
        gcode_.reset();
    }
    std::string Where() const override {
        if (dxf_) return "line " + std::to_string(dxf_->LineNumber());
        if (gcode_) return "line " + std::to_string(gcode_->LineNumber());
        return {};
    }
    std::vector<std::string> Warnings() const override { return dxf_ ? dxf_->Warnings : std::vector<std::string>{}; }
    double GcodePower() const override { return gcode_ ? gcode_->GcodePower : 0.0; }

private:
    MachineContext& ctx_;
    int kind_ = 0;
    std::optional<DxfReader> dxf_;
    std::optional<GcodeReader> gcode_;
};

}  // namespace

std::unique_ptr<DrawingInput> MakeDrawingInput(MachineContext& ctx) { return std::make_unique<FileDrawingInput>(ctx); }

JobFileWriter::JobFileWriter(MachineContext& ctx, const Settings& settings, int outputKind, double gcodePower)
    : ctx_(ctx), settings_(settings), outputKind_(outputKind), gcodePower_(gcodePower) {}

JobFileWriter::~JobFileWriter() = default;

void JobFileWriter::OpenOutput(const std::string& path, int kind) {
    writer_.reset();
    sink_ = std::make_unique<FileJobSink>(path, outputKind_ != OutputHpgl);
    machine_ = std::make_unique<JobMachine>(JobMachineOf(ctx_, gcodePower_));
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

void JobFileWriter::CloseOutput() {
    if (!writer_) throw CoreError::io("job output is not open");
    writer_->CloseOutput();
    if (outputKind_ != OutputHpgl) StoreJobResults(ctx_, *writer_);
    writer_.reset();
    machine_.reset();
    sink_.reset();
}

}  // namespace vellisk
