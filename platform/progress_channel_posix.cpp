#include "platform/progress_channel.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

int inherited_write_descriptor(const char* variable) {
    const char* v = std::getenv(variable);
    if (v == nullptr || *v == '\0')
        return -1;
    long fd = 0;
    for (const char* p = v; *p; ++p) {
        if (*p < '0' || *p > '9')
            return -1;
        fd = fd * 10 + (*p - '0');
        if (fd > 1000000)
            return -1;
    }
    const int flags = fcntl(static_cast<int>(fd), F_GETFL);
    if (flags < 0)
        return -1;
    const int access = flags & O_ACCMODE;
    if (access != O_WRONLY && access != O_RDWR)
        return -1;
    return static_cast<int>(fd);
}

bool write_descriptor(int fd, const char* text, std::size_t n) {
    // A reader that went away must cost the program nothing but this line.
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    const bool swapped = sigaction(SIGPIPE, &ignore, &old) == 0;
    bool ok = true;
    while (n > 0) {
        const ssize_t w = ::write(fd, text, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            ok = false;
            break;
        }
        text += w;
        n -= static_cast<std::size_t>(w);
    }
    if (swapped)
        sigaction(SIGPIPE, &old, nullptr);
    return ok;
}

bool stderr_is_terminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::int64_t monotonic_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace platform
