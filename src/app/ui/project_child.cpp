#include "app/ui/project_child.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <limits>

#include "app/job_drawing.h"
#include "drawing_window/project.h"
#include "drawing_window/raster_project.h"
#include "drawing_window/ui/picture_file.h"
#include "machine_link/machine_context.h"
#include "model/figure.h"
#include "platform/notifier.h"

namespace vellisk::ui {

class ProjectView : public QWidget {
public:
    ProjectView(const Project* project, const RasterProject* raster, std::function<bool()> entryPoints)
        : project_(project), raster_(raster), entryPoints_(std::move(entryPoints)) {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
        if (raster_ && !raster_->Picture.Empty()) {
            const RasterPicture& pic = raster_->Picture;
            image_ = QImage(pic.Width, pic.Height, QImage::Format_Grayscale8);
            for (int row = 0; row < pic.Height; ++row)
                std::copy_n(pic.Red.data() + static_cast<std::size_t>(row) * pic.Width, pic.Width,
                            image_.scanLine(row));
        }
    }
    int zoom = 1;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!image_.isNull()) {
            p.drawImage(rect(), image_.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation),
                        image_.scaled(size(), Qt::KeepAspectRatio).rect());
            return;
        }
        if (!project_ || project_->Figures.empty()) return;
        double minX = std::numeric_limits<double>::max(), minY = minX, maxX = -minX, maxY = -minX;
        for (const auto& f : project_->Figures)
            for (const tpunkt& q : f->Contour) {
                minX = std::min(minX, q.X), maxX = std::max(maxX, q.X);
                minY = std::min(minY, q.Y), maxY = std::max(maxY, q.Y);
            }
        if (minX > maxX) return;
        const double w = std::max(maxX - minX, 1e-9), h = std::max(maxY - minY, 1e-9);
        const double scale = std::min((width() - 20) / w, (height() - 20) / h) * zoom;
        auto at = [&](const tpunkt& q) {
            return QPointF(10 + (q.X - minX) * scale, height() - 10 - (q.Y - minY) * scale);
        };
        p.setPen(QPen(Qt::black, 0));
        for (const auto& f : project_->Figures) {
            if (f->Contour.empty()) continue;
            QPainterPath path(at(f->Contour.front()));
            for (std::size_t i = 1; i < f->Contour.size(); ++i) path.lineTo(at(f->Contour[i]));
            p.drawPath(path);
        }
        if (entryPoints_ && entryPoints_()) {
            p.setPen(QPen(Qt::red, 0));
            for (const auto& f : project_->Figures)
                if (!f->Contour.empty()) p.drawEllipse(at(f->Contour.front()), 3.0, 3.0);
        }
    }

private:
    const Project* project_;
    const RasterProject* raster_;
    std::function<bool()> entryPoints_;
    QImage image_;
};

ProjectChild::ProjectChild(int kind, Settings& settings, MachineContext& ctx, Notifier& notifier,
                           ConfigDialog* config, std::function<bool()> showEntryPoints)
    : kind_(kind),
      settings_(settings),
      ctx_(ctx),
      notifier_(notifier),
      config_(config),
      showEntryPoints_(std::move(showEntryPoints)) {}

// Job control has ended a burn of this window's picture when the window closed (the frame's
// DrawingClosing), before the picture goes.
ProjectChild::~ProjectChild() = default;

QWidget* ProjectChild::Widget() {
    if (!view_) view_ = new ProjectView(project_.get(), raster_.get(), showEntryPoints_);
    return view_;
}

void ProjectChild::SetZoom(int zoom) {
    zoom_ = zoom;
    if (view_) view_->zoom = zoom;
}

bool ProjectChild::Load(const QString& file) {
    const std::string name = file.toStdString();
    if (kind_ == RasterProject::kKind) {
        RasterPicture picture;
        QImage shown;
        QString reason;
        if (!PictureFileFits(file, ctx_, reason) || !DecodePicture(file, picture, shown, reason)) {
            notifier_.Message(ctx_.Text(TextId::PictureCannotBeRead) + name + "\n" + reason.toStdString(),
                              MessageKind::Error);
            return false;
        }
        raster_ = std::make_unique<RasterProject>();
        if (!raster_->LoadBMP(name, std::move(picture), settings_, ctx_, config_)) {
            notifier_.Message(ctx_.Text(TextId::DrawingCannotBeRead) + name, MessageKind::Error);
            raster_.reset();
            return false;
        }
        job_ = std::make_unique<RasterJobDrawing>(*raster_);
        return true;
    }
    project_ = std::make_unique<Project>(kind_, settings_, ctx_, notifier_);
    auto input = MakeDrawingInput(ctx_, settings_);
    const LoadResult r = project_->Load(name, *input);
    if (r.status != LoadStatus::Ok) {
        project_.reset();
        return false;
    }
    job_ = std::make_unique<ProjectJobDrawing>(*project_, settings_, ctx_, notifier_);
    return true;
}

void ProjectChild::Save(const QString& file, int outputKind) {
    if (project_ && project_->Count() > 0) job_->Save(file.toStdString(), 0, project_->Count() - 1, outputKind);
}

void ProjectChild::Reprepare() {
    if (project_) project_->PrzeliczPoWaznejZmianie();
}

void ProjectChild::Repaint() {
    if (view_) view_->update();
}

}  // namespace vellisk::ui
