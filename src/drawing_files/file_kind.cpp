#include "drawing_files/file_kind.h"

#include <string>

#include "model/geometry_types.h"

namespace vellisk {

std::int32_t FileKindOf(const std::filesystem::path& name) {
    std::string ext = name.extension().string();
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (ext == "DXF") return KindDxf;
    if (ext == "NC") return KindGcode;
    if (ext == "BMP") return KindBitmap;
    return KindHpgl;
}

}  // namespace vellisk
