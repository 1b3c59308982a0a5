#pragma once
// What the fuzz targets of the drawing readers share: arbitrary bytes read as a drawing of one
// kind through the drawing reader, as the program reads a file. The reader's point budget is
// lowered to 200,000 points, so that any input ends within a fraction of a second and one
// slower than a second (run.sh) is a finding. The reader must end (figures or a CoreError),
// never crash, never call without moving on and never make points out of nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "drawing_files/hpgl.h"
#include "model/core_error.h"

namespace vellisk::fuzz {

constexpr double kFuzzPointBudget = 200'000;

inline void ReadDrawing(const std::uint8_t* data, std::size_t size, std::int32_t kind, std::size_t maxCalls) {
    DrawingReaderSettings settings;
    settings.gcode = GcodeLimits{1.0, 20000.0, 0.0, 1000.0};
    settings.pointBudget = kFuzzPointBudget;
    Thpgl reader;
    reader.OpenText(std::string(reinterpret_cast<const char*>(data), size), kind, settings);
    std::size_t calls = 0;
    try {
        while (!reader.EndOfFile) {
            if (++calls > maxCalls) __builtin_trap();  // every call must move on
            tfigura figure;
            reader.ReadFigure(figure);
            // HPGL makes no point without its text.
            if (kind == KindHpgl && figure.Contour.size() > size + 2) __builtin_trap();
        }
    } catch (const CoreError&) {}
    reader.CloseInput();
}

}  // namespace vellisk::fuzz
