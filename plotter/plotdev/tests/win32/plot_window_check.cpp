// Draws a known picture in the real plot window and reports, one line each,
// the client size and every event plot_wait_event returns, until the window
// is closed. plot_window_test.sh drives it under Wine and checks the pixels.
//
// The picture, in the window (0, 0, 10, 8): a red filled rectangle (2, 2) to
// (8, 6), a solid blue line along y = 1 and a dotted green line along y = 7,
// both across the whole width.
#include <cstdio>

#include "plotdev/plotdev.h"

namespace {

// The test drives the window only; the console is not part of it.
bool no_key() {
    return false;
}
int no_read(bool) {
    return -1;
}

} // namespace

int main() {
    PlotHooks hooks;
    hooks.key_waiting = no_key;
    hooks.read_key = no_read;
    plot_set_hooks(hooks);
    if (!plot_initialize(""))
        return 1;
    plot_set_title("Vexil check");
    if (!plot_open(PLOT_MODE_SCREEN))
        return 1;
    plot_set_window(0, 0, 10, 8);
    plot_fill_rect(2, 2, 8, 6, 4);
    plot_set_color(1);
    plot_pen(0, 1, PEN_UP);
    plot_pen(10, 1, PEN_DOWN);
    plot_set_color(2);
    plot_set_line_style(7);
    plot_pen(0, 7, PEN_UP);
    plot_pen(10, 7, PEN_DOWN);
    std::printf("open\n");
    std::fflush(stdout);
    for (;;) {
        const int16_t e = plot_wait_event(1);
        std::printf("event %d\n", e);
        std::fflush(stdout);
        if (e == PLOT_EVENT_CLOSED)
            break;
    }
    plot_pen(0, 0, PEN_END_PLOT);
    std::printf("end\n");
    return 0;
}
