#include "drawing_files/drawing_file.h"

#include <exception>

#include "drawing_files/dxf_reader.h"
#include "drawing_files/file_kind.h"
#include "drawing_files/gcode_reader.h"
#include "model/core_error.h"

namespace vellisk {

namespace {

template <typename Reader>
void ReadAll(Reader& reader, DrawingFileResult& result) {
    while (!reader.EndOfFile) {
        tfigura f;
        reader.ReadFigure(f);
        if (!f.Contour.empty()) {
            f.Index = static_cast<std::int32_t>(result.figures.size());
            result.figures.push_back(std::move(f));
        }
    }
}

}  // namespace

DrawingFileResult ReadDrawingFile(const std::filesystem::path& path) {
    DrawingFileResult result;
    result.kind = FileKindOf(path);
    DrawingText text;
    try {
        text = DrawingText::FromFile(path);
    } catch (const std::exception& e) {
        result.error = e.what();
        return result;
    }
    result.opened = true;
    std::int64_t line = 0;
    try {
        switch (result.kind) {
            case KindDxf: {
                DxfReader reader(std::move(text));
                try {
                    ReadAll(reader, result);
                } catch (...) {
                    line = reader.LineNumber();
                    result.warnings = reader.Warnings;
                    throw;
                }
                result.warnings = reader.Warnings;
                break;
            }
            case KindGcode: {
                GcodeReader reader(std::move(text), GcodeLimits{});
                try {
                    ReadAll(reader, result);
                } catch (...) {
                    line = reader.LineNumber();
                    throw;
                }
                break;
            }
            default:
                result.error = "No reader for this kind of file: " + path.filename().string();
                break;
        }
    } catch (const std::exception& e) {
        result.error = path.filename().string() + ", line " + std::to_string(line) + ": " + e.what();
    }
    return result;
}

}  // namespace vellisk
