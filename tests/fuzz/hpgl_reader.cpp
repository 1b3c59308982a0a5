// Feeds arbitrary bytes to the HPGL reader: it must end (figures or a CoreError), never crash
// or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "drawing_files/hpgl.h"
#include "model/core_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    vellisk::Thpgl reader;
    reader.OpenText(std::move(bytes), vellisk::KindHpgl);
    std::size_t calls = 0;
    try {
        while (!reader.EndOfFile) {
            if (++calls > size + 2) __builtin_trap();  // every call must move on
            vellisk::tfigura figure;
            reader.ReadFigure(figure);
            if (figure.Contour.size() > size + 2) __builtin_trap();  // no point out of nothing
        }
    } catch (const vellisk::CoreError&) {
    }
    reader.CloseInput();
    return 0;
}
