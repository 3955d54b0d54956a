// Tuning of the C heap for programs that allocate and free one large block
// after another.
#pragma once

namespace platform {

// Keeps blocks up to 512 MB in the heap instead of fresh mappings of their
// own, and keeps freed memory for reuse: the next block of the same size then
// reuses the pages instead of faulting in and zeroing them again. Does nothing
// where the C library offers no such setting.
void heap_keep_large_blocks();

} // namespace platform
