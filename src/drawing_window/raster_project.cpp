#include "drawing_window/raster_project.h"

#include <algorithm>
#include <cstdint>

#include "machine_link/job_values.h"
#include "model/numeric.h"
#include "machine_link/machine_context.h"
#include "settings/config_dialog.h"
#include "settings/settings.h"

namespace vellisk {

namespace {}  // namespace

BmpFileCheck CheckBmpFile(std::string_view b, std::uint64_t fileBytes) {
    BmpFileCheck c;
    c.fileBytes = fileBytes;
    if (b.size() < 2 || b[0] != 'B' || b[1] != 'M') return c;
    // The file header (14 bytes) and the size of the info header that follows it.
    if (b.size() < 18) {
        c.cutShort = true;
        c.needBytes = 18;
        return c;
    }
    const std::uint64_t offBits = LittleEndianAt(b, 10, 4);
    const std::uint32_t infoSize = LittleEndianAt(b, 14, 4);
    const bool core = infoSize == 12;  // the oldest header: 16-bit sizes, no compression
    const std::size_t headerEnd = core ? 26 : 54;
    if (infoSize != 12 && infoSize < 40) return c;
    if (b.size() < headerEnd) {
        c.cutShort = true;
        c.needBytes = headerEnd;
        return c;
    }
    std::uint32_t bits, compression = 0, sizeImage = 0;
    if (core) {
        c.width = LittleEndianAt(b, 18, 2);
        c.height = LittleEndianAt(b, 20, 2);
        bits = LittleEndianAt(b, 24, 2);
    } else {
        c.width = static_cast<std::int32_t>(LittleEndianAt(b, 18, 4));
        c.height = static_cast<std::int32_t>(LittleEndianAt(b, 22, 4));
        bits = LittleEndianAt(b, 28, 2);
        compression = LittleEndianAt(b, 30, 4);
        sizeImage = LittleEndianAt(b, 34, 4);
    }
    if (c.width <= 0 || c.height == 0 || bits == 0) return c;
    const std::uint64_t rows = static_cast<std::uint64_t>(c.height < 0 ? -c.height : c.height);
    std::uint64_t pixelBytes;
    if (compression == 0 || compression == 3 || compression == 6) {
        // rows of whole 32-bit words
        const std::uint64_t stride = (static_cast<std::uint64_t>(c.width) * bits + 31) / 32 * 4;
        pixelBytes = stride > (UINT64_MAX / 2) / rows ? UINT64_MAX / 2 : stride * rows;
    } else {
        // run-length or embedded data: the header gives its size
        pixelBytes = sizeImage;
    }
    c.needBytes = std::max<std::uint64_t>(offBits, headerEnd) + pixelBytes;
    c.cutShort = fileBytes < c.needBytes;
    return c;
}

bool RasterProject::LoadBMP(const std::string& name, RasterPicture picture, Settings& settings, JobValues& job,
                            ConfigDialog* dialog) {
    if (picture.Empty() ||
        picture.Red.size() != static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height))
        return false;
    Name = name;
    const double r = static_cast<double>(picture.Width) / static_cast<double>(picture.Height);
    {
        const bool old = dialog ? dialog->InAspectChange : false;
        if (dialog) dialog->InAspectChange = true;
        settings.SetNumber(setting::PictureHeight, settings.Number(setting::PictureWidth) / r);
        if (dialog) dialog->InAspectChange = old;
    }
    ProjectWidth = settings.Number(setting::PictureWidth);
    ProjectHeight = settings.Number(setting::PictureHeight);
    job.BmpPixelHeight = picture.Height;
    job.BmpPixelWidth = picture.Width;
    Picture = std::move(picture);
    return true;
}

}  // namespace vellisk
