#pragma once
// The project of a bitmap window on a laser machine: a grey picture to be burnt line by line.
// It holds no figures; its size on the workpiece is the configured picture width in
// millimetres, and the height follows the picture's proportions. The front end decodes the
// picture file (every variant its image reader knows) and hands the core a grey raster: one
// byte per pixel, the red channel of the pixel's colour, rows from the top of the picture.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/geometry_types.h"

namespace vellisk {

class Settings;
struct JobValues;
class ConfigDialog;

struct RasterPicture {
    std::int32_t Width = 0, Height = 0;
    std::vector<std::uint8_t> Red;  // Width x Height, row by row from the top

    bool Empty() const { return Width <= 0 || Height <= 0; }
    std::uint8_t At(std::int32_t x, std::int32_t row) const {
        return Red[static_cast<std::size_t>(row) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)];
    }
};

// What a BMP file's header promises against what the file holds. A file cut short would decode
// with its missing rows black, and black is burnt at the highest power.
struct BmpFileCheck {
    bool cutShort = false;
    std::int64_t width = 0, height = 0;  // pixels, as the header says
    std::uint64_t needBytes = 0;         // the header and pixel data the header describes
    std::uint64_t fileBytes = 0;
};
// Reads the header of `bytes` (the file's first bytes, at least 54 when there are so many) for a
// file of `fileBytes`. Anything that is no BMP header, or a header the image reader will refuse
// anyway (no width or height), is passed as not cut short.
BmpFileCheck CheckBmpFile(std::string_view bytes, std::uint64_t fileBytes);

class RasterProject {
public:
    static constexpr int kKind = KindBitmap;

    std::string Name;  // the file the picture came from (the window's caption)
    RasterPicture Picture;
    double ProjectWidth = 0.0, ProjectHeight = 0.0;  // mm

    // Takes a decoded picture: the configured picture height follows its proportions (the
    // configured width stays, whatever the proportional setting; `dialog`, when given, does not
    // couple the two sizes meanwhile), the project's size becomes the picture size in mm, and
    // the job's values keep the pixel size. A picture without pixels changes nothing and
    // gives false: the window shows `reason` and closes.
    bool LoadBMP(const std::string& name, RasterPicture picture, Settings& settings, JobValues& job,
                 ConfigDialog* dialog = nullptr);
};

}  // namespace vellisk
