// The progress channel on Windows: the variable names an inheritable handle
// value (Windows children inherit handles, not C run-time descriptors); it is
// wrapped in a C run-time descriptor for writing.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>

#include "platform/files.h"
#include "platform/progress_channel.h"

namespace platform {

int inherited_write_descriptor(const char* variable) {
    const std::string v = environment(variable);
    if (v.empty() || v.size() > 20)
        return -1;
    unsigned long long value = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    DWORD flags = 0;
    if (value == 0 || !GetHandleInformation(h, &flags))
        return -1;
    const DWORD type = GetFileType(h);
    if (type != FILE_TYPE_PIPE && type != FILE_TYPE_DISK)
        return -1;
    return _open_osfhandle(static_cast<intptr_t>(value), _O_WRONLY | _O_BINARY);
}

bool write_descriptor(int fd, const char* text, std::size_t n) {
    // A reader that went away only fails the write (Windows raises no signal).
    while (n > 0) {
        const unsigned part = n > (1u << 30) ? (1u << 30) : static_cast<unsigned>(n);
        const int w = _write(fd, text, part);
        if (w <= 0)
            return false;
        text += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool stderr_is_terminal() {
    // _isatty also says yes for NUL; only a console counts.
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::int64_t monotonic_ms() {
    return static_cast<std::int64_t>(GetTickCount64());
}

} // namespace platform
