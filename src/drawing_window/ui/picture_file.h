#pragma once
// Reading a bitmap drawing's picture file for the core: decoded with Qt's image reader (every
// variant it knows) into the core's grey raster, the red channel of each pixel, rows from the
// top. The picture as decoded is kept for the window to show.
#include <QImage>
#include <QString>

#include "drawing_window/raster_project.h"

namespace vellisk {
struct ProgramEnvironment;
}

namespace vellisk::ui {

// Whether the picture file can be taken whole: false, with the reason in the operator's language,
// when it is shorter than the pixel data its header describes, or when the picture is too large
// for the image reader (its size in pixels is named).
bool PictureFileFits(const QString& path, const ProgramEnvironment& env, QString& reason);

// False, with the reader's reason, when the file is no picture it can read.
bool DecodePicture(const QString& path, RasterPicture& out, QImage& shown, QString& reason);

}  // namespace vellisk::ui
