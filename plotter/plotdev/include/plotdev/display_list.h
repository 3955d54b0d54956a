// The display list of the plot window: paint tags in native byte order,
// always ending with the end tag. Coordinates are float user units measured
// from (xmin, ymin) of the window in force when the tag was added.
//
//   type  fields after the 32-bit type                 size
//   0     none (end of list)                           4
//   1     x, y (float)                                 12  move to
//   2     x, y (float)                                 12  line to
//   3     pen style (int32), colour value (uint32 RGB) 12  make current pen
//   4     colour index (int16), x1, y1, x2, y2 (float) 22  fill rectangle
#pragma once

#include <cstddef>
#include <cstdint>

enum PaintTag : int32_t {
    PAINT_END = 0,
    PAINT_MOVE = 1,
    PAINT_LINE = 2,
    PAINT_PEN = 3,
    PAINT_FILL = 4,
};

// Screen pen styles; all pens are one pixel wide.
enum PlotPenStyle : int32_t {
    PEN_STYLE_SOLID = 0,
    PEN_STYLE_DASH = 1,
    PEN_STYLE_DOT = 2,
    PEN_STYLE_DASHDOT = 3,
    PEN_STYLE_DASHDOTDOT = 4,
};

// A contiguous buffer that grows by exactly each appended tag. Allocation
// goes through a replaceable realloc so that tests can make it fail.
class DisplayList {
  public:
    using Realloc = void* (*)(void*, size_t);

    DisplayList() = default;
    ~DisplayList();
    DisplayList(const DisplayList&) = delete;
    DisplayList& operator=(const DisplayList&) = delete;

    // 1 when the list now holds only the end tag, 0 when it could not be
    // allocated (the list is then empty).
    int create(Realloc realloc_fn);
    void release();

    // Each returns 1, or 0 when the list could not grow (it is unchanged).
    int add_move(float x, float y);
    int add_line(float x, float y);
    int add_pen(int32_t style, uint32_t rgb);
    int add_fill(int16_t color, float x1, float y1, float x2, float y2);

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return data_ == nullptr; }

  private:
    int append(const uint8_t* tag, size_t n);

    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    Realloc realloc_ = nullptr;
};
