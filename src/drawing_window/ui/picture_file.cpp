#include "drawing_window/ui/picture_file.h"

#include <QFile>
#include <QImageReader>

#include "model/program_environment.h"

namespace vellisk::ui {

bool PictureFileFits(const QString& path, const ProgramEnvironment& env, QString& reason) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray head = file.read(64);
        const BmpFileCheck c = CheckBmpFile(std::string_view(head.constData(), static_cast<std::size_t>(head.size())),
                                            static_cast<std::uint64_t>(file.size()));
        if (c.cutShort) {
            reason = QString::fromStdString(env.Text(TextId::PictureCutShort)) +
                     QStringLiteral(" %1 x %2, %3 / %4 B").arg(c.width).arg(c.height).arg(c.fileBytes).arg(c.needBytes);
            return false;
        }
    }
    // The reader refuses a picture above its allocation limit with a reason that names neither
    // the size nor the limit; the size is known from the header before any pixel is decoded.
    const QSize size = QImageReader(path).size();
    const qint64 limit = static_cast<qint64>(QImageReader::allocationLimit()) * 1024 * 1024;
    if (size.isValid() && limit > 0 && static_cast<qint64>(size.width()) * size.height() * 4 > limit) {
        reason = QString::fromStdString(env.Text(TextId::PictureTooLarge)) +
                 QStringLiteral(" %1 x %2").arg(size.width()).arg(size.height());
        return false;
    }
    return true;
}

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
