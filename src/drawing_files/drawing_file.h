#pragma once
// Reads a whole drawing file into figures with the reader of its kind (from the extension).
// A file that cannot be opened gives opened = false and the reason; a file that breaks off or
// holds a malformed line gives the figures read up to there, opened = true, and the reason.
// Nothing is thrown past the caller.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/figure.h"

namespace vellisk {

struct DrawingFileResult {
    bool opened = false;
    std::int32_t kind = 0;
    std::vector<tfigura> figures;
    std::string error;                  // empty when the whole file was read
    std::vector<std::string> warnings;  // entities left out, with the reason
};

DrawingFileResult ReadDrawingFile(const std::filesystem::path& path);

// A reader's message as shown: as it is when it names its line (the readers name the line of a
// malformed one), else "line <line>: " and the message, with the line in hand.
std::string WithLineNumber(const std::string& what, std::int64_t line);

}  // namespace vellisk
