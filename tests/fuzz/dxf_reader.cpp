// Feeds arbitrary bytes to the DXF reader: it must end (figures or a CoreError), never crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "drawing_files/dxf_reader.h"
#include "model/core_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    vellisk::DxfReader reader{vellisk::DrawingText(std::move(bytes))};
    std::size_t calls = 0;
    try {
        while (!reader.EndOfFile) {
            if (++calls > size + 2) __builtin_trap();  // the reader must always move on
            vellisk::tfigura figure;
            reader.ReadFigure(figure);
        }
    } catch (const vellisk::CoreError&) {
    }
    return 0;
}
