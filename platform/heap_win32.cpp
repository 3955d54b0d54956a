#include "platform/heap.h"

namespace platform {

// The Windows heap keeps freed large blocks on its own; there is nothing to set.
void heap_keep_large_blocks() {}

} // namespace platform
