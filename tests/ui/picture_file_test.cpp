// Bitmap pictures written as BMP files in several variants (8-bit palette, 24-bit, 1-bit) read
// back as the red channel of each pixel, rows from the top; a file that is no picture is refused
// with the reader's reason.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

#include "drawing_window/ui/picture_file.h"
#include "machine_link/machine_context.h"
#include "support/machine_rig.h"
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

TEST(PictureFile, APictureCutShortOrTooLargeIsRefusedWithItsReason) {
    test::TempDir dir;
    test::MachineRig machine;
    machine.env.Lang.Language = kLangEnglish;
    QImage img(100, 60, QImage::Format_RGB888);
    img.fill(Qt::white);
    const QString path = QString::fromStdString((dir / "p.bmp").string());
    ASSERT_TRUE(img.save(path, "BMP"));
    const std::string whole = test::ReadFileBytes(dir / "p.bmp");
    QString reason;
    EXPECT_TRUE(ui::PictureFileFits(path, machine.env, reason));

    // Missing rows would decode black and burn at the black power.
    test::WriteFileBytes(dir / "cut.bmp", whole.substr(0, whole.size() - 300));
    EXPECT_FALSE(ui::PictureFileFits(QString::fromStdString((dir / "cut.bmp").string()), machine.env, reason));
    EXPECT_TRUE(reason.startsWith(QString::fromStdString(machine.env.Text(TextId::PictureCutShort))))
        << reason.toStdString();
    EXPECT_TRUE(reason.contains("100 x 60")) << reason.toStdString();

    // 118 bytes whose header claims 5700 x 5700 pixels.
    std::string tiny = whole.substr(0, 118);
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) tiny[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    put32(18, 5700);
    put32(22, 5700);
    test::WriteFileBytes(dir / "tiny.bmp", tiny);
    EXPECT_FALSE(ui::PictureFileFits(QString::fromStdString((dir / "tiny.bmp").string()), machine.env, reason));
    EXPECT_TRUE(reason.contains("5700 x 5700")) << reason.toStdString();
    EXPECT_EQ(CheckBmpFile(tiny, tiny.size()).needBytes, 54u + 17100u * 5700u);

    // Too large for the image reader: named with its size.
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1);  // 1 MB: the 100 x 60 picture fits, 1000 x 1000 does not
    QImage big(1000, 1000, QImage::Format_Mono);
    big.fill(0);
    const QString bigPath = QString::fromStdString((dir / "big.bmp").string());
    ASSERT_TRUE(big.save(bigPath, "BMP"));
    EXPECT_TRUE(ui::PictureFileFits(path, machine.env, reason));
    EXPECT_FALSE(ui::PictureFileFits(bigPath, machine.env, reason));
    QImageReader::setAllocationLimit(limit);
    EXPECT_EQ(reason, QString::fromStdString(machine.env.Text(TextId::PictureTooLarge)) + " 1000 x 1000");
}

}  // namespace
}  // namespace vellisk
