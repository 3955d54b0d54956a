// The plot window on the X Window System. The display list is replayed into
// a pixmap on every expose and copied to the window, so repaints do not
// flicker; the window is redrawn whole on every resize (ForgetGravity).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "plotdev/screen.h"

namespace {

// Windows virtual key codes of keys that type no character.
int virtual_key(KeySym k) {
    if (k >= XK_F1 && k <= XK_F24)
        return 0x70 + static_cast<int>(k - XK_F1);
    switch (k) {
    case XK_Left:
    case XK_KP_Left:
        return 0x25;
    case XK_Up:
    case XK_KP_Up:
        return 0x26;
    case XK_Right:
    case XK_KP_Right:
        return 0x27;
    case XK_Down:
    case XK_KP_Down:
        return 0x28;
    case XK_Prior:
    case XK_KP_Prior:
        return 0x21;
    case XK_Next:
    case XK_KP_Next:
        return 0x22;
    case XK_End:
    case XK_KP_End:
        return 0x23;
    case XK_Home:
    case XK_KP_Home:
        return 0x24;
    case XK_Insert:
    case XK_KP_Insert:
        return 0x2D;
    case XK_Delete:
    case XK_KP_Delete:
        return 0x2E;
    case XK_Shift_L:
    case XK_Shift_R:
        return 0x10;
    case XK_Control_L:
    case XK_Control_R:
        return 0x11;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
        return 0x12;
    case XK_Pause:
        return 0x13;
    case XK_Caps_Lock:
        return 0x14;
    case XK_Num_Lock:
        return 0x90;
    case XK_Scroll_Lock:
        return 0x91;
    case XK_Print:
        return 0x2C;
    case XK_Super_L:
        return 0x5B;
    case XK_Super_R:
        return 0x5C;
    case XK_Menu:
        return 0x5D;
    default:
        return 0;
    }
}

// A window that vanished under us (the user closed it) is not a reason to
// end the program, which the default handler would do.
int ignore_x_error(Display*, XErrorEvent*) {
    return 0;
}

// The protocol carries 16-bit coordinates: lines are clipped to a box well
// inside that range first (Liang-Barsky), so that far points keep their slope.
constexpr double kLimit = 16000;

bool clip_line(double& x0, double& y0, double& x1, double& y1) {
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 + kLimit, kLimit - x0, y0 + kLimit, kLimit - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
    }
    const double ax = x0, ay = y0;
    x0 = ax + t0 * dx;
    y0 = ay + t0 * dy;
    x1 = ax + t1 * dx;
    y1 = ay + t1 * dy;
    return true;
}

class XPainter : public PlotPainter {
  public:
    XPainter(Display* dpy, Drawable d, GC gc, Colormap cmap, Visual* visual)
        : dpy_(dpy), d_(d), gc_(gc), cmap_(cmap), visual_(visual) {}
    ~XPainter() override { flush(); }
    XPainter(const XPainter&) = delete;
    XPainter& operator=(const XPainter&) = delete;

    void set_pen(PlotPenStyle style, uint32_t rgb) override {
        flush();
        const std::vector<int> dashes = plot_pen_dashes(style);
        if (dashes.empty()) {
            XSetLineAttributes(dpy_, gc_, 0, LineSolid, CapButt, JoinMiter);
        } else {
            std::vector<char> d(dashes.begin(), dashes.end());
            XSetLineAttributes(dpy_, gc_, 0, LineOnOffDash, CapButt, JoinMiter);
            XSetDashes(dpy_, gc_, 0, d.data(), static_cast<int>(d.size()));
        }
        pen_pixel_ = pixel(rgb);
        XSetForeground(dpy_, gc_, pen_pixel_);
    }
    void move_to(int x, int y) override {
        x_ = x;
        y_ = y;
    }
    void line_to(int x, int y) override {
        double x0 = x_, y0 = y_, x1 = x, y1 = y;
        if (clip_line(x0, y0, x1, y1)) {
            segments_.push_back(
                {static_cast<short>(std::lround(x0)), static_cast<short>(std::lround(y0)),
                 static_cast<short>(std::lround(x1)), static_cast<short>(std::lround(y1))});
            if (segments_.size() >= 4096)
                flush();
        }
        x_ = x;
        y_ = y;
    }
    void fill_rect(int left, int top, int right, int bottom, uint32_t rgb) override {
        flush();
        left = std::max(left, -16000);
        top = std::max(top, -16000);
        right = std::min(right, 16000);
        bottom = std::min(bottom, 16000); // sizes stay within 16 bits
        if (right < left || bottom < top)
            return;
        XSetForeground(dpy_, gc_, pixel(rgb));
        XFillRectangle(dpy_, d_, gc_, left, top, static_cast<unsigned>(right - left + 1),
                       static_cast<unsigned>(bottom - top + 1));
        XSetForeground(dpy_, gc_, pen_pixel_);
    }

    unsigned long pixel(uint32_t rgb) {
        if (visual_->c_class == TrueColor) {
            auto place = [](unsigned long mask, unsigned v) {
                if (!mask)
                    return 0ul;
                int shift = 0, bits = 0;
                while (!((mask >> shift) & 1))
                    ++shift;
                while ((mask >> (shift + bits)) & 1)
                    ++bits;
                const unsigned long scaled = bits >= 8
                                                 ? (static_cast<unsigned long>(v) << (bits - 8))
                                                 : (static_cast<unsigned long>(v) >> (8 - bits));
                return (scaled << shift) & mask;
            };
            return place(visual_->red_mask, (rgb >> 16) & 0xFF) |
                   place(visual_->green_mask, (rgb >> 8) & 0xFF) |
                   place(visual_->blue_mask, rgb & 0xFF);
        }
        auto it = cache_.find(rgb);
        if (it != cache_.end())
            return it->second;
        XColor c{};
        c.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
        c.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
        c.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
        c.flags = DoRed | DoGreen | DoBlue;
        const unsigned long p =
            XAllocColor(dpy_, cmap_, &c) ? c.pixel : BlackPixel(dpy_, DefaultScreen(dpy_));
        cache_[rgb] = p;
        return p;
    }

  private:
    void flush() {
        if (segments_.empty())
            return;
        XDrawSegments(dpy_, d_, gc_, segments_.data(), static_cast<int>(segments_.size()));
        segments_.clear();
    }

    Display* dpy_;
    Drawable d_;
    GC gc_;
    Colormap cmap_;
    Visual* visual_;
    unsigned long pen_pixel_ = 0;
    int x_ = 0, y_ = 0;
    std::vector<XSegment> segments_;
    std::map<uint32_t, unsigned long> cache_;
};

class X11Screen : public PlotScreen {
  public:
    ~X11Screen() override { close(); }

    int open(const std::string& title, PlotScreenSink* sink, std::string& error) override {
        close();
        sink_ = sink;
        dpy_ = XOpenDisplay(nullptr);
        if (!dpy_) {
            const char* name = XDisplayName(nullptr);
            error = std::string("cannot open display \"") + (name ? name : "") + "\"";
            return 0;
        }
        XSetErrorHandler(&ignore_x_error);
        const int scr = DefaultScreen(dpy_);
        // A default size in the page's proportions that fits the screen.
        int w = 1000, h = 800;
        const int sw = DisplayWidth(dpy_, scr), sh = DisplayHeight(dpy_, scr);
        if (w > sw * 9 / 10 || h > sh * 9 / 10) {
            const double f = std::min(sw * 0.9 / w, sh * 0.9 / h);
            w = std::max(100, static_cast<int>(w * f));
            h = std::max(80, static_cast<int>(h * f));
        }
        XSetWindowAttributes a{};
        a.background_pixel = WhitePixel(dpy_, scr);
        a.bit_gravity = ForgetGravity;
        a.event_mask = ExposureMask | KeyPressMask | ButtonReleaseMask | StructureNotifyMask;
        a.cursor = XCreateFontCursor(dpy_, XC_crosshair);
        win_ =
            XCreateWindow(dpy_, RootWindow(dpy_, scr), 0, 0, static_cast<unsigned>(w),
                          static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent,
                          CWBackPixel | CWBitGravity | CWEventMask | CWCursor, &a);
        XFreeCursor(dpy_, a.cursor);
        if (!win_) {
            error = "XCreateWindow failed";
            XCloseDisplay(dpy_);
            dpy_ = nullptr;
            return 0;
        }
        width_ = w;
        height_ = h;

        XStoreName(dpy_, win_, title.c_str());
        const Atom utf8 = XInternAtom(dpy_, "UTF8_STRING", False);
        XChangeProperty(dpy_, win_, XInternAtom(dpy_, "_NET_WM_NAME", False), utf8, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                        static_cast<int>(title.size()));
        XClassHint cls;
        char res_name[] = "vorlane", res_class[] = "Vexil";
        cls.res_name = res_name;
        cls.res_class = res_class;
        XSetClassHint(dpy_, win_, &cls);
        wm_protocols_ = XInternAtom(dpy_, "WM_PROTOCOLS", False);
        wm_delete_ = XInternAtom(dpy_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(dpy_, win_, &wm_delete_, 1);
        gc_ = XCreateGC(dpy_, win_, 0, nullptr);

        XMapRaised(dpy_, win_);
        // Wait until the window is mapped, so that it is there when open returns.
        XEvent ev;
        XWindowEvent(dpy_, win_, StructureNotifyMask, &ev);
        while (ev.type != MapNotify) {
            handle(ev);
            if (!win_) {
                error = "the window was destroyed while it was being shown";
                return 0;
            }
            XWindowEvent(dpy_, win_, StructureNotifyMask, &ev);
        }
        XWindowAttributes wa;
        if (XGetWindowAttributes(dpy_, win_, &wa)) {
            width_ = wa.width;
            height_ = wa.height;
        }
        XFlush(dpy_);
        return 1;
    }

    void close() override {
        if (!dpy_)
            return;
        if (gc_)
            XFreeGC(dpy_, gc_);
        gc_ = nullptr;
        if (win_)
            XDestroyWindow(dpy_, win_);
        win_ = 0;
        XCloseDisplay(dpy_);
        dpy_ = nullptr;
    }

    void client_size(int& width, int& height) override {
        width = win_ ? width_ : 0;
        height = win_ ? height_ : 0;
    }

    void pump() override {
        if (!dpy_)
            return;
        while (dpy_ && XPending(dpy_) > 0) {
            XEvent ev;
            XNextEvent(dpy_, &ev);
            handle(ev);
        }
    }

  private:
    void handle(XEvent& ev) {
        if (!win_ || ev.xany.window != win_)
            return;
        switch (ev.type) {
        case Expose:
            if (ev.xexpose.count == 0)
                repaint();
            break;
        case ConfigureNotify:
            width_ = ev.xconfigure.width;
            height_ = ev.xconfigure.height;
            break;
        case KeyPress: {
            char text[8];
            KeySym sym = NoSymbol;
            const int n = XLookupString(&ev.xkey, text, sizeof text, &sym, nullptr);
            if (n >= 1 && sym != XK_Delete && sym != XK_KP_Delete) {
                sink_->event(static_cast<int16_t>(static_cast<int8_t>(text[0])));
            } else if (const int vk = virtual_key(sym)) {
                sink_->event(static_cast<int16_t>(static_cast<uint16_t>(vk << 8)));
            }
            break;
        }
        case ButtonRelease:
            if (ev.xbutton.button == Button1)
                sink_->event(1);
            if (ev.xbutton.button == Button3)
                sink_->event(2);
            break;
        case ClientMessage:
            if (ev.xclient.message_type == wm_protocols_ &&
                static_cast<Atom>(ev.xclient.data.l[0]) == wm_delete_) {
                XDestroyWindow(dpy_, win_);
                XFlush(dpy_);
                win_ = 0;
                sink_->destroyed();
            }
            break;
        case DestroyNotify:
            win_ = 0;
            sink_->destroyed();
            break;
        default:
            break;
        }
    }

    void repaint() {
        XWindowAttributes wa;
        if (!XGetWindowAttributes(dpy_, win_, &wa) || wa.width <= 0 || wa.height <= 0)
            return;
        width_ = wa.width;
        height_ = wa.height;
        const int scr = DefaultScreen(dpy_);
        const Pixmap pm =
            XCreatePixmap(dpy_, win_, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
                          static_cast<unsigned>(wa.depth));
        XSetForeground(dpy_, gc_, WhitePixel(dpy_, scr));
        XFillRectangle(dpy_, pm, gc_, 0, 0, static_cast<unsigned>(width_),
                       static_cast<unsigned>(height_));
        {
            XPainter painter(dpy_, pm, gc_, wa.colormap, wa.visual);
            sink_->paint(painter, width_, height_);
        }
        XCopyArea(dpy_, pm, win_, gc_, 0, 0, static_cast<unsigned>(width_),
                  static_cast<unsigned>(height_), 0, 0);
        XFreePixmap(dpy_, pm);
        XFlush(dpy_);
    }

    Display* dpy_ = nullptr;
    Window win_ = 0;
    GC gc_ = nullptr;
    Atom wm_protocols_ = 0, wm_delete_ = 0;
    int width_ = 0, height_ = 0;
    PlotScreenSink* sink_ = nullptr;
};

} // namespace

// Xlib has no classes to register; the display is reached when a window is
// opened, so that hardcopy-only runs need none.
int plot_prepare_screen(std::string&) {
    return 1;
}

std::unique_ptr<PlotScreen> plot_make_default_screen() {
    return std::make_unique<X11Screen>();
}
