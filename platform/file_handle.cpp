#include "platform/file_handle.h"

namespace platform {

bool close_file(FileHandle& f) {
    std::FILE* raw = f.release();
    return raw == nullptr || std::fclose(raw) == 0;
}

} // namespace platform
