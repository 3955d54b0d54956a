// The plot window on Windows: window class "Vexil", GDI pens one pixel wide,
// messages peeked and dispatched while the plotter waits. The display list
// is replayed into a memory bitmap on every WM_PAINT and copied to the
// window, so repaints do not flicker; the class redraws the whole window on
// every resize.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "plotdev/screen.h"

namespace {

constexpr wchar_t kClassName[] = L"Vexil";

std::wstring widen(const std::string& s) {
    if (s.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

// The system's text for an error code, in UTF-8, without the line end.
std::string system_error_text(DWORD code) {
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text;
    if (n && buf) {
        const int len =
            WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<size_t>(len));
        WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), text.data(), len, nullptr,
                            nullptr);
    }
    if (buf)
        LocalFree(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) {
        char num[32];
        std::snprintf(num, sizeof num, "error %lu", static_cast<unsigned long>(code));
        text = num;
    }
    return text;
}

COLORREF colorref(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int gdi_style(PlotPenStyle style) {
    switch (style) {
    case PEN_STYLE_DASH:
        return PS_DASH;
    case PEN_STYLE_DOT:
        return PS_DOT;
    case PEN_STYLE_DASHDOT:
        return PS_DASHDOT;
    case PEN_STYLE_DASHDOTDOT:
        return PS_DASHDOTDOT;
    default:
        return PS_SOLID;
    }
}

// GDI takes 32-bit coordinates but draws reliably only well inside 2^27:
// far points are brought into a box first (Liang-Barsky), keeping the slope.
constexpr double kLimit = 1 << 24;

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

class GdiPainter : public PlotPainter {
  public:
    explicit GdiPainter(HDC dc) : dc_(dc) {}
    ~GdiPainter() override {
        if (pen_) {
            SelectObject(dc_, old_pen_);
            DeleteObject(pen_);
        }
    }
    GdiPainter(const GdiPainter&) = delete;
    GdiPainter& operator=(const GdiPainter&) = delete;

    void set_pen(PlotPenStyle style, uint32_t rgb) override {
        HPEN pen = CreatePen(gdi_style(style), 1, colorref(rgb));
        if (!pen)
            return;
        HGDIOBJ replaced = SelectObject(dc_, pen);
        if (pen_) {
            DeleteObject(pen_);
        } else {
            old_pen_ = replaced;
        }
        pen_ = pen;
    }
    void move_to(int x, int y) override {
        x_ = x;
        y_ = y;
    }
    void line_to(int x, int y) override {
        double x0 = x_, y0 = y_, x1 = x, y1 = y;
        if (clip_line(x0, y0, x1, y1)) {
            MoveToEx(dc_, static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(y0)),
                     nullptr);
            LineTo(dc_, static_cast<int>(std::lround(x1)), static_cast<int>(std::lround(y1)));
        }
        x_ = x;
        y_ = y;
    }
    void fill_rect(int left, int top, int right, int bottom, uint32_t rgb) override {
        const int lim = static_cast<int>(kLimit);
        RECT r{std::max(left, -lim), std::max(top, -lim), std::min(right, lim) + 1,
               std::min(bottom, lim) + 1};
        if (r.right <= r.left || r.bottom <= r.top)
            return;
        HBRUSH brush = CreateSolidBrush(colorref(rgb));
        if (!brush)
            return;
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }

  private:
    HDC dc_;
    HPEN pen_ = nullptr;
    HGDIOBJ old_pen_ = nullptr;
    int x_ = 0, y_ = 0;
};

LRESULT CALLBACK window_procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Registered once per process; 1 on success, 0 with `error` set.
int register_class(std::string& error) {
    static bool registered = false;
    if (registered)
        return 1;
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_CROSS));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        error = system_error_text(GetLastError());
        return 0;
    }
    registered = true;
    return 1;
}

class Win32Screen : public PlotScreen {
  public:
    ~Win32Screen() override { close(); }

    int open(const std::string& title, PlotScreenSink* sink, std::string& error) override {
        close();
        sink_ = sink;
        if (!register_class(error))
            return 0;
        hwnd_ = CreateWindowExW(0, kClassName, widen(title).c_str(), WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, GetModuleHandleW(nullptr), this);
        if (!hwnd_) {
            error = system_error_text(GetLastError());
            return 0;
        }
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        SetForegroundWindow(hwnd_);
        return 1;
    }

    void close() override {
        if (!hwnd_)
            return;
        closing_ = true;
        DestroyWindow(hwnd_);
        closing_ = false;
        hwnd_ = nullptr;
    }

    void client_size(int& width, int& height) override {
        RECT r{};
        if (hwnd_ && GetClientRect(hwnd_, &r)) {
            width = r.right - r.left;
            height = r.bottom - r.top;
        } else {
            width = height = 0;
        }
    }

    void pump() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // The quit message posted when the window goes has nothing to
            // end here: the plotter learns of the close through the sink.
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    LRESULT handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
        case WM_DESTROY:
            hwnd_ = nullptr;
            PostQuitMessage(0);
            if (!closing_ && sink_)
                sink_->destroyed();
            break;
        case WM_PAINT:
            repaint(hwnd);
            break;
        case WM_KEYDOWN:
            sink_->event(static_cast<int16_t>(static_cast<uint16_t>((wp & 0xFF) << 8)));
            break;
        case WM_CHAR:
            sink_->event(static_cast<int16_t>(static_cast<int8_t>(ansi_char(wp))));
            break;
        case WM_LBUTTONUP:
            sink_->event(1);
            break;
        case WM_RBUTTONUP:
            sink_->event(2);
            break;
        default:
            break;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

  private:
    // The character in the system's ANSI code page, as a plotter of that
    // code page sees it.
    static unsigned char ansi_char(WPARAM wp) {
        if (wp < 0x80)
            return static_cast<unsigned char>(wp);
        const wchar_t w = static_cast<wchar_t>(wp);
        char c[4] = {};
        if (WideCharToMultiByte(CP_ACP, 0, &w, 1, c, sizeof c, nullptr, nullptr) >= 1)
            return static_cast<unsigned char>(c[0]);
        return '?';
    }

    void repaint(HWND hwnd) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (!dc)
            return;
        RECT rc{};
        GetClientRect(hwnd, &rc);
        const int w = rc.right - rc.left, h = rc.bottom - rc.top;
        if (w > 0 && h > 0) {
            HDC mem = CreateCompatibleDC(dc);
            HBITMAP bmp = mem ? CreateCompatibleBitmap(dc, w, h) : nullptr;
            // Without memory for the bitmap, paint straight into the window.
            HDC target = bmp ? mem : dc;
            HGDIOBJ old_bmp = bmp ? SelectObject(mem, bmp) : nullptr;
            FillRect(target, &rc, GetSysColorBrush(COLOR_WINDOW));
            {
                GdiPainter painter(target);
                sink_->paint(painter, w, h);
            }
            if (bmp) {
                BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
                SelectObject(mem, old_bmp);
                DeleteObject(bmp);
            }
            if (mem)
                DeleteDC(mem);
        }
        EndPaint(hwnd, &ps);
    }

    HWND hwnd_ = nullptr;
    bool closing_ = false;
    PlotScreenSink* sink_ = nullptr;
};

LRESULT CALLBACK window_procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* screen = reinterpret_cast<Win32Screen*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!screen)
        return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return screen->handle(hwnd, msg, wp, lp);
}

} // namespace

// plot_initialize registers the window class; a window opened later finds
// it (open() registers it itself should it be missing).
int plot_prepare_screen(std::string& error) {
    return register_class(error);
}

std::unique_ptr<PlotScreen> plot_make_default_screen() {
    return std::make_unique<Win32Screen>();
}
