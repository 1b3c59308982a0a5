// Feeds arbitrary bytes to the G-code reader: it must end (figures or a CoreError), never crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "drawing_files/gcode_reader.h"
#include "model/core_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    vellisk::GcodeLimits limits{1.0, 20000.0, 0.0, 1000.0};
    vellisk::GcodeReader reader{vellisk::DrawingText(std::move(bytes)), limits};
    std::size_t calls = 0;
    try {
        while (!reader.EndOfFile) {
            if (++calls > 2 * size + 2) __builtin_trap();  // the reader must always move on
            vellisk::tfigura figure;
            reader.ReadFigure(figure);
        }
    } catch (const vellisk::CoreError&) {
    }
    return 0;
}
