// The program icon's drawing on a 64 x 64 grid (y downwards), shared by the
// window layers that draw it and by the tool that makes the Windows .ico
// (fenwold.svg shows the same): a recorder sheet with three seismogram
// traces and a dashed P pick.
#pragma once

namespace fenwold_icon {

struct Polyline {
    unsigned rgb; // 0xRRGGBB
    int points;
    const double* xy; // x0, y0, x1, y1, ...
};

inline constexpr unsigned kPaper = 0xf4f1e8;
inline constexpr unsigned kFrame = 0x3b4a5a;
inline constexpr unsigned kPick = 0xb23a2a;
// The sheet: x, y, width, height, corner radius; its frame 3 units wide.
inline constexpr double kSheet[5] = {4, 6, 56, 52, 6};
inline constexpr double kFrameWidth = 3;
inline constexpr double kTraceWidth = 2;
inline constexpr double kTrace1[] = {9,  20, 22, 20, 24, 17, 26, 23, 28, 14, 30, 26, 32, 11, 34,
                                     28, 36, 15, 38, 24, 40, 18, 42, 22, 45, 19, 48, 21, 55, 21};
inline constexpr double kTrace2[] = {9,  33, 24, 33, 26, 30, 28, 36, 30, 28, 32, 38,
                                     34, 29, 36, 35, 38, 31, 41, 34, 44, 32, 55, 32};
inline constexpr double kTrace3[] = {9,  46, 25, 46, 27, 44, 29, 48, 31,   43, 33,
                                     49, 35, 44, 37, 47, 40, 45, 43, 46.5, 55, 46.5};
inline constexpr Polyline kTraces[3] = {
    {0x1f5fa8, 15, kTrace1}, {0x2e7d32, 12, kTrace2}, {0xb23a2a, 11, kTrace3}};
// The pick: a dashed vertical line 1.5 units wide, dashes 3 on, 2 off.
inline constexpr double kPickX = 22, kPickTop = 10, kPickBottom = 52, kPickWidth = 1.5;
inline constexpr double kPickDash = 3, kPickGap = 2;

} // namespace fenwold_icon
