#pragma once
// Fresh memory for a very large list, made ready for writing before the list is filled: the
// system hands a process memory one page at a time, at the first write to each page, and on a
// virtual machine every such fault is a trip to the host. Asking for a whole range at once
// costs a fraction of that.
#include <cstddef>

namespace vellisk {

// Makes the pages wholly inside [data, data + bytes) present and writable, without changing
// what they hold, in large pages where the system allows. A range under a few megabytes is left
// alone; a system that cannot do it (a kernel before 5.14) leaves the pages to be faulted in as
// they are written.
void PrefaultForWriting(void* data, std::size_t bytes);

}  // namespace vellisk
