// Opening and positioning C streams on Windows: UTF-8 names through the
// wide-character open, 64-bit offsets.
#include <cstdio>

#include "platform/file_handle.h"
#include "wide_win32.h"

namespace platform {

std::FILE* open_file(const std::string& path, const char* mode) {
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

int seek_file(std::FILE* f, int64_t offset, int whence) {
    return _fseeki64(f, offset, whence) == 0 ? 0 : -1;
}

int64_t tell_file(std::FILE* f) {
    return _ftelli64(f);
}

} // namespace platform
