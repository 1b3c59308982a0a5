#include "platform/allocator_tuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vellisk {

void TuneAllocator() {
#if defined(__GLIBC__)
    mallopt(M_TOP_PAD, 8 << 20);
#endif
}

}  // namespace vellisk
