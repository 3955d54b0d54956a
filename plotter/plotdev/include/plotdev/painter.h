// Repainting the display list through a small painter interface, so that the
// Xlib window and the in-memory raster of the tests share the pixel mapping.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plotdev/display_list.h"

// Pixel coordinates: origin at the client area's top left, y downwards.
class PlotPainter {
  public:
    virtual ~PlotPainter() = default;
    virtual void set_pen(PlotPenStyle style, uint32_t rgb) = 0;
    virtual void move_to(int x, int y) = 0;
    virtual void line_to(int x, int y) = 0;
    // Fills left..right and top..bottom, both edges included (left <= right,
    // top <= bottom).
    virtual void fill_rect(int left, int top, int right, int bottom, uint32_t rgb) = 0;
};

struct PaintView {
    int W = 0; // client width - 1
    int H = 0; // client height - 1
    double xmin = 0, ymin = 0, xmax = 10, ymax = 8;
    bool rotated = false;
    PlotPenStyle pen_style = PEN_STYLE_SOLID; // the current screen pen
    uint32_t pen_rgb = 0;
};

// Maps a stored point to a pixel with the scale of `view`.
void plot_map_point(const PaintView& view, double u, double v, int& px, int& py);

// Replays the list. Returns 1, or 0 when an unknown tag stopped the walk
// (its value in `bad_tag`; the caller reports it).
int plot_paint_list(const uint8_t* list, size_t size, const PaintView& view, PlotPainter& painter,
                    int32_t& bad_tag);

// An RGB raster (0xRRGGBB per pixel) with one-pixel styled lines, used by
// the tests and by anything that wants the plot window's picture offline.
class RasterPainter : public PlotPainter {
  public:
    RasterPainter(int width, int height, uint32_t background = 0xFFFFFF);
    void set_pen(PlotPenStyle style, uint32_t rgb) override;
    void move_to(int x, int y) override;
    void line_to(int x, int y) override;
    void fill_rect(int left, int top, int right, int bottom, uint32_t rgb) override;

    int width() const { return width_; }
    int height() const { return height_; }
    uint32_t pixel(int x, int y) const; // 0xFFFFFFFF outside the raster
    // Writes a binary PPM (P6) image: 1 on success, 0 on failure.
    int write_ppm(const std::string& path) const;

  private:
    void plot(int x, int y);

    int width_, height_;
    std::vector<uint32_t> pixels_;
    PlotPenStyle style_ = PEN_STYLE_SOLID;
    uint32_t rgb_ = 0;
    int cx_ = 0, cy_ = 0;
    unsigned pattern_pos_ = 0;
};

// The on/off run lengths in pixels of a pen style (solid: empty).
std::vector<int> plot_pen_dashes(PlotPenStyle style);
