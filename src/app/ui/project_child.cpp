#include "app/ui/project_child.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "app/job_drawing.h"
#include "drawing_window/raster_project.h"
#include "drawing_window/ui/picture_file.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/program_environment.h"
#include "platform/notifier.h"

namespace vellisk::ui {

class ProjectView : public QWidget {
public:
    explicit ProjectView(const RasterProject* raster) {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
        if (raster && !raster->Picture.Empty()) {
            const RasterPicture& pic = raster->Picture;
            image_ = QImage(pic.Width, pic.Height, QImage::Format_Grayscale8);
            for (int row = 0; row < pic.Height; ++row)
                std::copy_n(pic.Red.data() + static_cast<std::size_t>(row) * pic.Width, pic.Width,
                            image_.scanLine(row));
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (image_.isNull()) return;
        QPainter p(this);
        p.drawImage(rect(), image_.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation),
                    image_.scaled(size(), Qt::KeepAspectRatio).rect());
    }

private:
    QImage image_;
};

ProjectChild::ProjectChild(int kind, Settings& settings, const ProgramEnvironment& env, JobValues& job,
                           Notifier& notifier, ConfigDialog* config)
    : kind_(kind), settings_(settings), env_(env), jobValues_(job), notifier_(notifier), config_(config) {}

// Job control has ended a burn of this window's picture when the window closed (the frame's
// DrawingClosing), before the picture goes.
ProjectChild::~ProjectChild() = default;

QWidget* ProjectChild::Widget() {
    if (!view_) view_ = new ProjectView(raster_.get());
    return view_;
}

bool ProjectChild::Load(const QString& file) {
    const std::string name = file.toStdString();
    RasterPicture picture;
    QImage shown;
    QString reason;
    if (!PictureFileFits(file, env_, reason) || !DecodePicture(file, picture, shown, reason)) {
        notifier_.Message(env_.Text(TextId::PictureCannotBeRead) + name + "\n" + reason.toStdString(),
                          MessageKind::Error);
        return false;
    }
    raster_ = std::make_unique<RasterProject>();
    if (!raster_->LoadBMP(name, std::move(picture), settings_, jobValues_, config_)) {
        notifier_.Message(env_.Text(TextId::DrawingCannotBeRead) + name, MessageKind::Error);
        raster_.reset();
        return false;
    }
    job_ = std::make_unique<RasterJobDrawing>(*raster_);
    return true;
}

void ProjectChild::Repaint() {
    if (view_) view_->update();
}

}  // namespace vellisk::ui
