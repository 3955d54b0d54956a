// The real plot window on a private Xvfb server: it is drawn as the display
// list says (checked on a screenshot taken by ImageMagick), it turns keys
// and buttons into events, and the window manager's close message makes
// plot_wait_event return 0.
#include <gtest/gtest.h> // before Xlib, whose macros (None, Bool) clash with it

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plotdev/plotdev.h"

namespace {

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

class Xvfb {
  public:
    bool start() {
        int p[2];
        if (pipe(p) != 0)
            return false;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(p[1], 3);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
                   "tcp", "-noreset", nullptr);
            _exit(127);
        }
        close(p[1]);
        std::string number;
        pollfd pf{p[0], POLLIN, 0};
        char c;
        while (poll(&pf, 1, 20000) > 0 && read(p[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(p[0]);
        if (number.empty())
            return false;
        display_ = ":" + number;
        setenv("DISPLAY", display_.c_str(), 1);
        // Readiness probe; the connection stays open, so that the server does
        // not reset (and refuse clients for a moment) when it closes.
        for (int i = 0; i < 100; ++i) {
            if ((probe_ = XOpenDisplay(display_.c_str())))
                return true;
            usleep(50000);
        }
        return false;
    }
    ~Xvfb() {
        if (probe_)
            XCloseDisplay(probe_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

  private:
    pid_t pid_ = -1;
    std::string display_;
    Display* probe_ = nullptr;
};

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    uint32_t at(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * w + x) * 3;
        return (rgb[i] << 16) | (rgb[i + 1] << 8) | rgb[i + 2];
    }
};

// Screenshot of one window through ImageMagick, read back as a binary PPM.
bool screenshot(const std::string& wid, const std::string& dir, Image& img) {
    const std::string png = dir + "/shot.png", ppm = dir + "/shot.ppm";
    if (std::system(("/usr/bin/import -window " + wid + " " + png + " 2>/dev/null").c_str()) != 0)
        return false;
    if (std::system(("/usr/bin/convert " + png + " -depth 8 " + ppm).c_str()) != 0)
        return false;
    std::ifstream f(ppm, std::ios::binary);
    std::string magic;
    int max;
    f >> magic >> img.w >> img.h >> max;
    f.get();
    if (magic != "P6" || img.w <= 0 || img.h <= 0)
        return false;
    img.rgb.resize(static_cast<size_t>(img.w) * img.h * 3);
    f.read(reinterpret_cast<char*>(img.rgb.data()), static_cast<std::streamsize>(img.rgb.size()));
    return static_cast<bool>(f);
}

// What the window manager's close button sends.
void send_delete_window(unsigned long wid) {
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = wid;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, wid, False, NoEventMask, &ev);
    XFlush(d);
    XCloseDisplay(d);
}

int g_exit_status = -1;
void record_exit(int status) {
    g_exit_status = status;
}

} // namespace

TEST(PlotWindow, DrawsReactsAndClosesLikeARealWindow) {
    if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null && test -x "
                    "/usr/bin/import") != 0)
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing (scripts/install-deps installs them)";
    char t[] = "/tmp/plotdev_gui_XXXXXX";
    ASSERT_NE(mkdtemp(t), nullptr);
    const std::string dir = t;
    Xvfb x;
    ASSERT_TRUE(x.start());

    plot_reset();
    PlotHooks hooks;
    hooks.exit_program = &record_exit; // a failure must not leave Xvfb behind
    plot_set_hooks(hooks);
    ASSERT_EQ(plot_initialize(""), 1);
    const std::string title = "Vexil window test " + std::to_string(getpid());
    plot_set_title(title.c_str());
    ASSERT_EQ(plot_open(1), 1);
    plot_fill_rect(0, 0, 10, 8, 1); // blue page
    plot_set_color(4);
    plot_pen(0, 4, PEN_UP); // red line across the middle
    plot_pen(10, 4, PEN_DOWN);
    plot_set_color(2);
    plot_pen(5, 0, PEN_UP); // green line from bottom to top
    plot_pen(5, 8, PEN_DOWN);

    const std::string wid = run("xdotool search --name '^" + title + "$' 2>/dev/null | head -1");
    ASSERT_FALSE(wid.empty()) << "no window with the plot title";

    // Service the window until the screenshot shows the drawing.
    Image img;
    bool drawn = false;
    for (int i = 0; i < 100 && !drawn; ++i) {
        EXPECT_EQ(plot_wait_event(0), 1);
        if (!screenshot(wid, dir, img))
            continue;
        const PlotState& s = plot_state();
        const int mid_y = s.H - static_cast<int>(4 * s.sy);
        const int mid_x = static_cast<int>(5 * s.sx);
        drawn = img.w == s.W + 1 && img.at(2, 2) == 0x0000FF &&
                img.at(s.W / 4, mid_y) == 0xFF0000 && img.at(mid_x, s.H / 4) == 0x00FF00 &&
                img.at(s.W / 4, mid_y - 3) == 0x0000FF;
    }
    EXPECT_TRUE(drawn) << "window " << img.w << "x" << img.h << ", corner " << std::hex
                       << img.at(2, 2);

    // A character typed in the window, then a right button release.
    ASSERT_EQ(std::system(("xdotool key --window " + wid + " Escape").c_str()), 0);
    EXPECT_EQ(plot_wait_event(1), PLOT_EVENT_ESCAPE);
    ASSERT_EQ(std::system(("xdotool mousemove --window " + wid + " 50 50 click 3").c_str()), 0);
    EXPECT_EQ(plot_wait_event(1), PLOT_EVENT_RIGHT);

    send_delete_window(std::stoul(wid));
    EXPECT_EQ(plot_wait_event(1), PLOT_EVENT_CLOSED);
    EXPECT_TRUE(plot_state().window_closed);
    EXPECT_EQ(plot_wait_event(1), PLOT_EVENT_CLOSED);
    plot_pen(0, 0, PEN_END_PLOT);
    EXPECT_EQ(plot_state().state, -1);
    EXPECT_TRUE(run("xdotool search --name '^" + title + "$' 2>/dev/null").empty());
    plot_reset();
    std::filesystem::remove_all(dir);
}
