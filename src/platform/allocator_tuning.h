#pragma once

namespace vellisk {

// Sets the C library's allocator up for drawings of millions of figures built on several
// threads at once (hatching): each thread's heap grows, and keeps at its top, 8 MB at a time
// instead of a little over each request, so that the threads do not queue on the address-space
// lock every few figures. Called once at start, before other threads run. Does nothing where
// the C library has no such setting.
void TuneAllocator();

}  // namespace vellisk
