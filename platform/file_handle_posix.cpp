// Opening and positioning C streams on POSIX: names are bytes, offsets 64-bit.
#include <sys/types.h>

#include <cstdio>

#include "platform/file_handle.h"

namespace platform {

std::FILE* open_file(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

int seek_file(std::FILE* f, int64_t offset, int whence) {
    return fseeko(f, static_cast<off_t>(offset), whence) == 0 ? 0 : -1;
}

int64_t tell_file(std::FILE* f) {
    return static_cast<int64_t>(ftello(f));
}

} // namespace platform
