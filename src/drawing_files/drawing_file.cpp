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
        const std::string what = e.what();
        const std::string shown = WithLineNumber(what, reader.LineNumber());
        // "<file>: <message>", or "<file>, line N: <message>" when the line was added.
        result.error = path.filename().string() + (shown == what ? ": " : ", ") + shown;
    }
    result.warnings = reader.Warnings();
    reader.CloseInput();
    return result;
}

std::string WithLineNumber(const std::string& what, std::int64_t line) {
    if (what.find("line ") != std::string::npos) return what;
    return "line " + std::to_string(line) + ": " + what;
}

}  // namespace vellisk
