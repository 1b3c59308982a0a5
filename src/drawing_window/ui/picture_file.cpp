#include "drawing_window/ui/picture_file.h"

#include <QImageReader>

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

}  // namespace vellisk::ui
