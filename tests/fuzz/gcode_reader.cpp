// Feeds arbitrary bytes to the G-code reader: it must end (figures or a CoreError) within the
// point budget of a load, never crash or hang.
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vellisk::fuzz::ReadDrawing(data, size, vellisk::KindGcode, 2 * size + 2);
    return 0;
}
