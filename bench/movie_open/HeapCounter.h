// Counts the heap bytes of the whole process: the program replaces malloc,
// calloc, realloc, free and the aligned allocators with wrappers over glibc's
// own, so allocations by libavformat and by our code are counted alike.
// Sizes are the usable sizes of the blocks, as the allocator hands them out.
#pragma once

#include <cstdint>

namespace zeb::bench {

int64_t HeapBytesInUse();
// The most bytes in use since the last ResetHeapPeak().
int64_t HeapPeakBytes();
void ResetHeapPeak();

}  // namespace zeb::bench
