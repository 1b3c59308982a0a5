#include "drawing_files/drawing_file.h"

#include <exception>

#include "drawing_files/file_kind.h"
#include "drawing_files/hpgl.h"

namespace vellisk {

DrawingFileResult ReadDrawingFile(const std::filesystem::path& path) {
    DrawingFileResult result;
    result.kind = FileKindOf(path);
    if (result.kind != KindHpgl && result.kind != KindDxf && result.kind != KindGcode) {
        result.error = "No reader for this kind of file: " + path.filename().string();
        return result;
    }
    Thpgl reader;
    if (reader.OpenInput(path, result.kind) != 0) {
        result.error = reader.OpenError();
        return result;
    }
    result.opened = true;
    try {
        while (!reader.EndOfFile) {
            tfigura f;
            reader.ReadFigure(f);
            if (!f.Contour.empty()) {
                f.Index = static_cast<std::int32_t>(result.figures.size());
                result.figures.push_back(std::move(f));
            }
        }
    } catch (const std::exception& e) {
        // The readers name the line of a malformed one; anything else gets the line in hand.
        const std::string what = e.what();
        result.error = path.filename().string() +
                       (what.find("line ") != std::string::npos
                            ? ": "
                            : ", line " + std::to_string(reader.LineNumber()) + ": ") +
                       what;
    }
    result.warnings = reader.Warnings();
    reader.CloseInput();
    return result;
}

}  // namespace vellisk
