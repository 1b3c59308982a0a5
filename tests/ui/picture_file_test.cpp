// Bitmap pictures written as BMP files in several variants (8-bit palette, 24-bit, 1-bit) read
// back as the red channel of each pixel, rows from the top; a file that is no picture is refused
// with the reader's reason.
#include <gtest/gtest.h>

#include <QImage>

#include "drawing_window/ui/picture_file.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

struct Decoded {
    bool ok = false;
    RasterPicture picture;
    QString reason;
};

Decoded SaveAndDecode(const QImage& image, const test::TempDir& dir, const char* name) {
    const QString path = QString::fromStdString((dir / name).string());
    EXPECT_TRUE(image.save(path, "BMP"));
    Decoded d;
    QImage shown;
    d.ok = ui::DecodePicture(path, d.picture, shown, d.reason);
    return d;
}

TEST(PictureFile, BmpVariantsGiveTheRedChannelRowsFromTheTop) {
    test::TempDir dir;
    QImage img(6, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) img.setPixel(x, y, qRgb(x * 40 + y, 255 - x * 40, 0));
    const Decoded d24 = SaveAndDecode(img.convertToFormat(QImage::Format_RGB888), dir, "p24.bmp");
    ASSERT_TRUE(d24.ok);
    ASSERT_EQ(d24.picture.Width, 6);
    ASSERT_EQ(d24.picture.Height, 3);
    EXPECT_EQ(d24.picture.At(0, 0), 0);
    EXPECT_EQ(d24.picture.At(5, 2), 202);

    QImage grey(4, 2, QImage::Format_Grayscale8);
    grey.fill(0);
    grey.setPixel(3, 1, qRgb(77, 77, 77));
    const Decoded d8 = SaveAndDecode(grey.convertToFormat(QImage::Format_Indexed8), dir, "p8.bmp");
    ASSERT_TRUE(d8.ok);
    EXPECT_EQ(d8.picture.At(3, 1), 77);
    EXPECT_EQ(d8.picture.At(0, 0), 0);

    QImage mono(9, 2, QImage::Format_Mono);
    mono.fill(1);
    mono.setPixel(0, 0, 0);
    const Decoded d1 = SaveAndDecode(mono, dir, "p1.bmp");
    ASSERT_TRUE(d1.ok);
    EXPECT_NE(d1.picture.At(0, 0), d1.picture.At(8, 1));
}

TEST(PictureFile, AFileThatIsNoPictureIsRefused) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "broken.bmp", "BM this is not a picture");
    RasterPicture p;
    QImage shown;
    QString reason;
    EXPECT_FALSE(ui::DecodePicture(QString::fromStdString((dir / "broken.bmp").string()), p, shown, reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(p.Empty());
}

}  // namespace
}  // namespace vellisk
