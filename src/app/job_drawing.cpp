#include "app/job_drawing.h"

#include "drawing_window/project.h"
#include "drawing_window/project_io.h"
#include "drawing_window/raster_project.h"
#include "machine_link/job_values.h"
#include "model/core_error.h"
#include "platform/notifier.h"

namespace vellisk {

int ProjectJobDrawing::Kind() const { return project_.ProjectKind; }
double ProjectJobDrawing::Width() const { return project_.ProjectWidth; }
double ProjectJobDrawing::Height() const { return project_.ProjectHeight; }
double ProjectJobDrawing::GcodeMaxZ() const { return project_.GcodeMaxZ; }
std::int32_t ProjectJobDrawing::FigureCount() const { return project_.Count(); }
std::int32_t ProjectJobDrawing::SelectedFigure() const { return project_.SelectedFigure; }

void ProjectJobDrawing::AddOutline() {
    const std::int32_t selected = project_.SelectedFigure;
    project_.AddOutline();
    project_.SelectedFigure = selected;
}

// A write that fails (a file that cannot be made, a value the job file cannot hold) is told to
// the operator; the job is then not started.
template <typename Write>
bool ProjectJobDrawing::Written(const std::filesystem::path& file, Write write) {
    try {
        return write(file.string());
    } catch (const CoreError& e) {
        notifier_.Message(e.what(), MessageKind::Error);
        return false;
    }
}

bool ProjectJobDrawing::Save(const std::filesystem::path& file, std::int32_t first, std::int32_t last, int outputKind) {
    return Written(file, [&](const std::string& name) {
        JobFileWriter writer(ctx_, job_, settings_, outputKind, project_.GcodePower);
        project_.Save(name, first, last, writer);
        return true;
    });
}

bool ProjectJobDrawing::SaveSelected(const std::filesystem::path& file) {
    return Written(file, [&](const std::string& name) {
        JobFileWriter writer(ctx_, job_, settings_, 4, project_.GcodePower);
        return project_.Save_selected(name, writer);
    });
}

bool ProjectJobDrawing::SaveFromSelected(const std::filesystem::path& file) {
    return Written(file, [&](const std::string& name) {
        JobFileWriter writer(ctx_, job_, settings_, 4, project_.GcodePower);
        return project_.Save_from_selected(name, writer);
    });
}

int RasterJobDrawing::Kind() const { return RasterProject::kKind; }
double RasterJobDrawing::Width() const { return project_.ProjectWidth; }
double RasterJobDrawing::Height() const { return project_.ProjectHeight; }
const RasterPicture* RasterJobDrawing::Picture() const { return &project_.Picture; }
void RasterJobDrawing::SetSizeMm(double width, double height) {
    project_.ProjectWidth = width;
    project_.ProjectHeight = height;
}

}  // namespace vellisk
