#pragma once
// The window of a bitmap drawing on a laser machine: the picture as loaded, sized to the window
// less a margin, and the raster project the burn reads. The picture file is decoded here with
// Qt's image reader (every variant it knows) into the core's grey raster; a file that cannot be
// read is reported and no window stays open.
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/job_drawing.h"
#include "drawing_window/raster_project.h"

class QLabel;

namespace vellisk {
class Settings;
class MachineContext;
class ConfigDialog;
class Notifier;
}  // namespace vellisk

namespace vellisk::ui {

// Decodes a picture file into the red channel of each pixel; false with the reader's reason.
bool DecodePicture(const QString& path, RasterPicture& out, QImage& shown, QString& reason);

class BitmapWindow : public QWidget {
    Q_OBJECT
public:
    // Opens `path` as a bitmap drawing; null (after the message) when the picture cannot be read.
    static std::unique_ptr<BitmapWindow> Open(const QString& path, Settings& settings, MachineContext& ctx,
                                              ConfigDialog* dialog, Notifier& notifier, QWidget* parent = nullptr);

    RasterProject& Project() { return project_; }
    JobDrawing& Drawing() { return drawing_; }
    QLabel* Image() const { return image_; }
    // Called when the window closes (job control ends a burn of this picture).
    std::function<void(const JobDrawing*)> OnClosing;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    explicit BitmapWindow(QWidget* parent);
    void FitImage();

    RasterProject project_;
    RasterJobDrawing drawing_{project_};
    QImage picture_;
    QLabel* image_;
};

}  // namespace vellisk::ui
