// The bitmap window: pictures written as BMP files in several variants (8-bit palette, 24-bit,
// 1-bit) read back as the red channel of each pixel, rows from the top; the picture size in mm
// follows the configured width; a file that is no picture opens no window and says so; closing
// the window tells job control.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QImage>
#include <QLabel>

#include "drawing_window/ui/bitmap_window.h"
#include "machine_link/machine_context.h"
#include "settings/settings.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

struct Opened {
    Settings settings;
    MachineContext ctx;
    test::RecordingNotifier notifier;
    test::TempDir dir;
    Opened() {
        ctx.Lang.Language = kLangEnglish;
        settings.SetNumber("SzerokoscObrazu", 30);
    }
    std::unique_ptr<ui::BitmapWindow> Open(const QImage& image, const char* name) {
        const QString path = QString::fromStdString((dir / name).string());
        EXPECT_TRUE(image.save(path, "BMP"));
        return ui::BitmapWindow::Open(path, settings, ctx, nullptr, notifier);
    }
};

QImage Picture(QImage::Format format) {
    QImage img(6, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) img.setPixel(x, y, qRgb(x * 40 + y, 255 - x * 40, 0));
    return img.convertToFormat(format);
}

TEST(BitmapWindow, BmpVariantsGiveTheRedChannelRowsFromTheTop) {
    Opened o;
    auto w24 = o.Open(Picture(QImage::Format_RGB888), "p24.bmp");
    ASSERT_TRUE(w24);
    const RasterPicture& p = w24->Project().Picture;
    ASSERT_EQ(p.Width, 6);
    ASSERT_EQ(p.Height, 3);
    EXPECT_EQ(p.At(0, 0), 0);
    EXPECT_EQ(p.At(5, 2), 202);
    EXPECT_DOUBLE_EQ(o.settings.Number("WysokoscObrazu"), 15);
    EXPECT_DOUBLE_EQ(o.ctx.BmpPixelWidth, 6);

    QImage grey(4, 2, QImage::Format_Grayscale8);
    grey.fill(0);
    grey.setPixel(3, 1, qRgb(77, 77, 77));
    auto w8 = o.Open(grey.convertToFormat(QImage::Format_Indexed8), "p8.bmp");
    ASSERT_TRUE(w8);
    EXPECT_EQ(w8->Project().Picture.At(3, 1), 77);
    EXPECT_EQ(w8->Project().Picture.At(0, 0), 0);

    QImage mono(9, 2, QImage::Format_Mono);
    mono.fill(1);
    mono.setPixel(0, 0, 0);
    auto w1 = o.Open(mono, "p1.bmp");
    ASSERT_TRUE(w1);
    const std::uint8_t a = w1->Project().Picture.At(0, 0), b = w1->Project().Picture.At(8, 1);
    EXPECT_NE(a, b);
    EXPECT_TRUE(o.notifier.messages.empty());
}

TEST(BitmapWindow, AFileThatIsNoPictureOpensNoWindow) {
    Opened o;
    test::WriteFileBytes(o.dir / "broken.bmp", "BM this is not a picture");
    const double height = o.settings.Number("WysokoscObrazu");
    auto w = ui::BitmapWindow::Open(QString::fromStdString((o.dir / "broken.bmp").string()), o.settings, o.ctx,
                                    nullptr, o.notifier);
    EXPECT_FALSE(w);
    ASSERT_EQ(o.notifier.messages.size(), 1u);
    EXPECT_EQ(o.notifier.messages[0].text.rfind("The picture cannot be read ", 0), 0u);
    EXPECT_DOUBLE_EQ(o.settings.Number("WysokoscObrazu"), height) << "the configured size stays";
}

TEST(BitmapWindow, PictureFollowsTheWindowAndClosingTellsJobControl) {
    Opened o;
    auto w = o.Open(Picture(QImage::Format_RGB888), "p.bmp");
    ASSERT_TRUE(w);
    w->resize(300, 200);
    w->show();
    EXPECT_EQ(w->Image()->size(), QSize(250, 136));
    const JobDrawing* closed = nullptr;
    w->OnClosing = [&](const JobDrawing* d) { closed = d; };
    w->close();
    EXPECT_EQ(closed, &w->Drawing());
}

}  // namespace
}  // namespace vellisk
