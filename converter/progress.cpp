#include "progress.h"

#include "platform/files.h"
#include "platform/progress_channel.h"

#include <cstdio>

void Progress::open(int passes) {
    passes_ = passes;
    fd_ = platform::inherited_write_descriptor("TALVEX_PROGRESS_FD");
    // A variable that is set but names no descriptor keeps the terminal
    // quiet too: the caller asked for machine lines.
    terminal_ = fd_ < 0 && platform::environment("TALVEX_PROGRESS_FD").empty() &&
                platform::stderr_is_terminal();
}

void Progress::start(int pass, std::int64_t total) {
    if (fd_ < 0 && !terminal_)
        return;
    pass_ = pass;
    total_ = total > 0 ? total : 1;
    active_ = true;
    last_done_ = -1;
    show(0, true);
}

void Progress::finish() {
    if (!active_)
        return;
    show(total_, true);
    active_ = false;
    hide();
}

void Progress::hide() {
    if (!line_shown_)
        return;
    std::fputs("\r                                             \r", stderr);
    std::fflush(stderr);
    line_shown_ = false;
}

void Progress::show(std::int64_t done, bool force) {
    if (done > total_)
        done = total_;
    if (done < 0)
        done = 0;
    const std::int64_t step = total_ / 100 > 0 ? total_ / 100 : 1;
    next_ = done + step;
    const std::int64_t now = platform::monotonic_ms();
    if (!force && now - last_ms_ < 100)
        return;
    if (done == last_done_)
        return;
    last_ms_ = now;
    last_done_ = done;
    char line[96];
    if (fd_ >= 0) {
        const int n = std::snprintf(line, sizeof line, "progress %d %d %lld %lld\n", pass_, passes_,
                                    static_cast<long long>(done), static_cast<long long>(total_));
        // A reader that went away ends the lines, never the run.
        if (!platform::write_descriptor(fd_, line, static_cast<std::size_t>(n)))
            fd_ = -1;
    } else if (terminal_) {
        const int percent = static_cast<int>(done * 100 / total_);
        std::fprintf(stderr, "\rpass %d of %d: %s %3d%%", pass_, passes_,
                     pass_ == 1 ? "reading recorder file" : "writing output file ", percent);
        std::fflush(stderr);
        line_shown_ = true;
    }
}
