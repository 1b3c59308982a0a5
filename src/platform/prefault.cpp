#include "platform/prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace vellisk {

void PrefaultForWriting(void* data, std::size_t bytes) {
    constexpr std::size_t kSmallest = 4u << 20;  // below this the faults cost little
    if (data == nullptr || bytes < kSmallest) return;
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) return;
    const auto pageSize = static_cast<std::uintptr_t>(page);
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (at + pageSize - 1) / pageSize * pageSize;
    const std::uintptr_t last = (at + bytes) / pageSize * pageSize;
    if (last <= first) return;
    void* const range = reinterpret_cast<void*>(first);
    const std::size_t span = last - first;
    // Large pages where the system gives them on request: the whole range is written at once
    // anyway, and one large page is one fault instead of 512. One call for the whole range:
    // threads asking for parts of it at once wait on each other in the kernel.
    // A refusal of either (an old kernel, large pages off, memory short) is not an error here:
    // the writes that follow fault the pages in one by one, or fail as they would have.
    madvise(range, span, MADV_HUGEPAGE);
    madvise(range, span, MADV_POPULATE_WRITE);
}

}  // namespace vellisk
