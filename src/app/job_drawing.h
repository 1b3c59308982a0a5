#pragma once
// What job control needs of the drawing in the active window: its kind and size, the figures
// and the selection, the tool-path rebuild and the writing of the job file "out.cnx"; for a
// bitmap, its picture. The main frame hands job control the active window's drawing through
// this interface; ProjectJobDrawing and RasterJobDrawing are the program's two kinds.
#include <cstdint>
#include <filesystem>

namespace vellisk {

class Project;
class RasterProject;
struct RasterPicture;
class Settings;
class MachineContext;
struct JobValues;
class Notifier;

class JobDrawing {
public:
    virtual ~JobDrawing() = default;
    virtual int Kind() const = 0;      // 1 HPGL, 2 DXF, 3 G-code, 4 bitmap
    virtual double Width() const = 0;  // drawing units (mm for a bitmap)
    virtual double Height() const = 0;
    virtual double GcodeMaxZ() const { return 0.0; }  // mm, highest Z of a G-code tool path
    virtual std::int32_t FigureCount() const { return 0; }
    virtual std::int32_t SelectedFigure() const { return -1; }
    // Rebuilds the tool paths; the selected figure stays selected.
    virtual void AddOutline() {}
    // Writes figures first..last as the machine job (output kind 4: vector drawing, 5: G-code
    // drawing). False, after the operator was told why, when the file was not written.
    virtual bool Save(const std::filesystem::path&, std::int32_t /*first*/, std::int32_t /*last*/, int /*outputKind*/) {
        return false;
    }
    // The selected figure alone / the selected one and all after it, as a vector job.
    virtual bool SaveSelected(const std::filesystem::path&) { return false; }
    virtual bool SaveFromSelected(const std::filesystem::path&) { return false; }
    // The picture of a bitmap drawing (null for the others).
    virtual const RasterPicture* Picture() const { return nullptr; }
    // The burn takes the configured picture size as the drawing's size (mm).
    virtual void SetSizeMm(double /*width*/, double /*height*/) {}
};

// A vector drawing (HPGL, DXF, G-code) of a drawing window.
class ProjectJobDrawing : public JobDrawing {
public:
    ProjectJobDrawing(Project& project, const Settings& settings, MachineContext& ctx, JobValues& job,
                      Notifier& notifier)
        : project_(project), settings_(settings), ctx_(ctx), job_(job), notifier_(notifier) {}

    int Kind() const override;
    double Width() const override;
    double Height() const override;
    double GcodeMaxZ() const override;
    std::int32_t FigureCount() const override;
    std::int32_t SelectedFigure() const override;
    void AddOutline() override;
    bool Save(const std::filesystem::path& file, std::int32_t first, std::int32_t last, int outputKind) override;
    bool SaveSelected(const std::filesystem::path& file) override;
    bool SaveFromSelected(const std::filesystem::path& file) override;

private:
    template <typename Write>
    bool Written(const std::filesystem::path& file, Write write);

    Project& project_;
    const Settings& settings_;
    MachineContext& ctx_;
    JobValues& job_;
    Notifier& notifier_;
};

// A bitmap drawing of a laser machine.
class RasterJobDrawing : public JobDrawing {
public:
    explicit RasterJobDrawing(RasterProject& project) : project_(project) {}

    int Kind() const override;
    double Width() const override;
    double Height() const override;
    const RasterPicture* Picture() const override;
    void SetSizeMm(double width, double height) override;

private:
    RasterProject& project_;
};

}  // namespace vellisk
