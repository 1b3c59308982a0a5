#pragma once
// The project kind of a drawing file, from its extension (compared upper-cased, without the
// dot): "PLT" HPGL, "DXF" DXF R12, "NC" G-code, "BMP" bitmap; any other extension is HPGL.
#include <cstdint>
#include <filesystem>

namespace vellisk {

std::int32_t FileKindOf(const std::filesystem::path& name);

}  // namespace vellisk
