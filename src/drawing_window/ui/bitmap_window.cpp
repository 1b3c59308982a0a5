#include "drawing_window/ui/bitmap_window.h"

#include <QCloseEvent>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include "machine_link/machine_context.h"
#include "platform/notifier.h"

namespace vellisk::ui {

bool DecodePicture(const QString& path, RasterPicture& out, QImage& shown, QString& reason) {
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull()) {
        reason = reader.errorString();
        return false;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    out.Width = rgb.width();
    out.Height = rgb.height();
    out.Red.resize(static_cast<std::size_t>(out.Width) * static_cast<std::size_t>(out.Height));
    for (int y = 0; y < out.Height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < out.Width; ++x)
            out.Red[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.Width) + static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(qRed(line[x]));
    }
    shown = std::move(image);
    return true;
}

BitmapWindow::BitmapWindow(QWidget* parent) : QWidget(parent), image_(new QLabel(this)) {
    image_->setScaledContents(true);
}

std::unique_ptr<BitmapWindow> BitmapWindow::Open(const QString& path, Settings& settings, MachineContext& ctx,
                                                 ConfigDialog* dialog, Notifier& notifier, QWidget* parent) {
    RasterPicture raster;
    QImage shown;
    QString reason;
    if (!DecodePicture(path, raster, shown, reason)) {
        notifier.Message(ctx.Text(TextId::PictureCannotBeRead) + path.toStdString() + "\n" + reason.toStdString(),
                         MessageKind::Error);
        return nullptr;
    }
    std::unique_ptr<BitmapWindow> w(new BitmapWindow(parent));
    if (!w->project_.LoadBMP(path.toStdString(), std::move(raster), settings, ctx, dialog)) {
        notifier.Message(ctx.Text(TextId::PictureCannotBeRead) + path.toStdString(), MessageKind::Error);
        return nullptr;
    }
    w->picture_ = std::move(shown);
    w->setWindowTitle(path);
    w->image_->setPixmap(QPixmap::fromImage(w->picture_));
    w->FitImage();
    return w;
}

void BitmapWindow::FitImage() { image_->setGeometry(0, 0, std::max(0, width() - 50), std::max(0, height() - 64)); }

void BitmapWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    FitImage();
}

void BitmapWindow::closeEvent(QCloseEvent* e) {
    if (OnClosing) OnClosing(&drawing_);
    QWidget::closeEvent(e);
}

}  // namespace vellisk::ui
