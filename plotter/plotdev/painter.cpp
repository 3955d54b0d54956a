// Display list replay and the in-memory raster painter.
#include "plotdev/painter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/file_handle.h"
#include "plotdev/colors.h"

namespace {

int32_t get_i32(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
uint32_t get_u32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
int16_t get_i16(const uint8_t* p) {
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
float get_f32(const uint8_t* p) {
    float v;
    std::memcpy(&v, p, 4);
    return v;
}

// Truncation toward zero, kept inside int range for absurd scales.
int trunc_pixel(double v) {
    if (!(v == v))
        return 0;
    constexpr double lim = 1e9;
    return static_cast<int>(std::trunc(std::clamp(v, -lim, lim)));
}

} // namespace

void plot_map_point(const PaintView& view, double u, double v, int& px, int& py) {
    const double dx = view.xmax - view.xmin;
    const double dy = view.ymax - view.ymin;
    if (!view.rotated) {
        const double sx = view.W / dx, sy = view.H / dy;
        px = trunc_pixel(u * sx);
        py = view.H - trunc_pixel(v * sy);
    } else {
        const double sx = view.H / dx, sy = view.W / dy;
        px = trunc_pixel(v * sy);
        py = trunc_pixel(u * sx);
    }
}

int plot_paint_list(const uint8_t* list, size_t size, const PaintView& view, PlotPainter& painter,
                    int32_t& bad_tag) {
    painter.set_pen(view.pen_style, view.pen_rgb);
    size_t pos = 0;
    while (pos + 4 <= size) {
        const int32_t tag = get_i32(list + pos);
        const uint8_t* f = list + pos + 4;
        const size_t left = size - pos - 4;
        if (tag == PAINT_END)
            return 1;
        if ((tag == PAINT_MOVE || tag == PAINT_LINE || tag == PAINT_PEN) && left >= 8) {
            if (tag == PAINT_PEN) {
                painter.set_pen(static_cast<PlotPenStyle>(get_i32(f)), get_u32(f + 4));
            } else {
                int px, py;
                plot_map_point(view, get_f32(f), get_f32(f + 4), px, py);
                if (tag == PAINT_MOVE)
                    painter.move_to(px, py);
                else
                    painter.line_to(px, py);
            }
            pos += 12;
        } else if (tag == PAINT_FILL && left >= 18) {
            int l, t, r, b;
            plot_map_point(view, get_f32(f + 2), get_f32(f + 6), l, t);
            plot_map_point(view, get_f32(f + 10), get_f32(f + 14), r, b);
            painter.fill_rect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b),
                              plot_color_value(get_i16(f)));
            pos += 22;
        } else {
            bad_tag = tag;
            return 0;
        }
    }
    return 1; // a list always ends with its end tag; a short tail is ignored
}

std::vector<int> plot_pen_dashes(PlotPenStyle style) {
    switch (style) {
    case PEN_STYLE_DASH:
        return {9, 3};
    case PEN_STYLE_DOT:
        return {1, 2};
    case PEN_STYLE_DASHDOT:
        return {9, 3, 1, 3};
    case PEN_STYLE_DASHDOTDOT:
        return {9, 3, 1, 3, 1, 3};
    default:
        return {};
    }
}

RasterPainter::RasterPainter(int width, int height, uint32_t background)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), background) {}

void RasterPainter::set_pen(PlotPenStyle style, uint32_t rgb) {
    style_ = style;
    rgb_ = rgb & 0xFFFFFF;
    pattern_pos_ = 0;
}

void RasterPainter::move_to(int x, int y) {
    cx_ = x;
    cy_ = y;
}

void RasterPainter::plot(int x, int y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = rgb_;
}

// Bresenham; the end point is left out, as a pen plotter's next segment
// starts there. The dash pattern runs on across connected segments.
void RasterPainter::line_to(int x, int y) {
    const std::vector<int> dashes = plot_pen_dashes(style_);
    unsigned period = 0;
    for (int d : dashes)
        period += static_cast<unsigned>(d);
    auto on = [&](unsigned pos) {
        if (period == 0)
            return true;
        pos %= period;
        for (size_t i = 0; i < dashes.size(); ++i) {
            if (pos < static_cast<unsigned>(dashes[i]))
                return i % 2 == 0;
            pos -= static_cast<unsigned>(dashes[i]);
        }
        return true;
    };
    long long x0 = cx_, y0 = cy_;
    const long long dx = std::llabs(x - x0), dy = -std::llabs(y - y0);
    const int stx = x0 < x ? 1 : -1, sty = y0 < y ? 1 : -1;
    long long err = dx + dy;
    // Only the part inside the raster costs time; far coordinates are clipped
    // by stepping at most this many pixels.
    long long steps = std::max(dx, -dy);
    if (steps > 4LL * (width_ + height_) + 16) {
        // Very long line: draw with a parametric walk bounded by the raster.
        const long long n = 4LL * (width_ + height_) + 16;
        for (long long i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / static_cast<double>(n);
            if (on(pattern_pos_++))
                plot(static_cast<int>(x0 + (x - x0) * t), static_cast<int>(y0 + (y - y0) * t));
        }
    } else {
        while (!(x0 == x && y0 == y)) {
            if (on(pattern_pos_++))
                plot(static_cast<int>(x0), static_cast<int>(y0));
            const long long e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += stx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sty;
            }
        }
    }
    cx_ = x;
    cy_ = y;
}

void RasterPainter::fill_rect(int left, int top, int right, int bottom, uint32_t rgb) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_ - 1);
    bottom = std::min(bottom, height_ - 1);
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
                rgb & 0xFFFFFF;
}

uint32_t RasterPainter::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0xFFFFFFFF;
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

int RasterPainter::write_ppm(const std::string& path) const {
    platform::FileHandle f(platform::open_file(path, "wb"));
    if (!f)
        return 0;
    std::fprintf(f.get(), "P6\n%d %d\n255\n", width_, height_);
    for (uint32_t p : pixels_) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                      static_cast<unsigned char>(p >> 8),
                                      static_cast<unsigned char>(p)};
        if (std::fwrite(rgb, 1, 3, f.get()) != 3)
            return 0;
    }
    return std::fflush(f.get()) == 0 ? 1 : 0;
}
