// Pixel mapping of the repaint, with and without rotation, and the raster
// painter that shares it with the plot window.
#include <cstring>

#include "plot_fixture.h"

using namespace plotdev_test;

namespace {

PaintView view(int w, int h, bool rotated) {
    PaintView v;
    v.W = w - 1;
    v.H = h - 1;
    v.rotated = rotated;
    return v;
}

std::pair<int, int> map(const PaintView& v, double u, double w) {
    int x, y;
    plot_map_point(v, u, w, x, y);
    return {x, y};
}

} // namespace

TEST(PaintMapping, UnrotatedFillsTheClientAreaWithYUp) {
    const PaintView v = view(401, 321, false); // sx = 40, sy = 40
    EXPECT_EQ(map(v, 0, 0), std::make_pair(0, 320));
    EXPECT_EQ(map(v, 10, 8), std::make_pair(400, 0));
    EXPECT_EQ(map(v, 2.5, 1), std::make_pair(100, 280));
    EXPECT_EQ(map(v, 0.0249, 0.0249), std::make_pair(0, 320)); // truncated
    EXPECT_EQ(map(v, -0.03, -0.03), std::make_pair(-1, 321));  // toward zero, not down
    // The aspect ratio follows the window, not the page.
    const PaintView wide = view(801, 321, false);
    EXPECT_EQ(map(wide, 5, 4), std::make_pair(400, 160));
}

TEST(PaintMapping, RotatedRunsXDownAndYRight) {
    const PaintView v = view(401, 321, true); // sx = 320 / 10, sy = 400 / 8
    EXPECT_EQ(map(v, 0, 0), std::make_pair(0, 0));
    EXPECT_EQ(map(v, 10, 8), std::make_pair(400, 320));
    EXPECT_EQ(map(v, 1, 2), std::make_pair(100, 32));
    EXPECT_EQ(map(v, 0.031, 0.019), std::make_pair(0, 0));
}

TEST(PaintMapping, ShiftedWindowKeepsItsScale) {
    PaintView v = view(401, 321, false);
    v.xmin = -2;
    v.xmax = 8;
    v.ymin = -3;
    v.ymax = 5;
    EXPECT_EQ(map(v, 3, 3), std::make_pair(120, 200));
}

TEST(RasterPainter, StylesAndFills) {
    RasterPainter r(100, 40);
    r.set_pen(PEN_STYLE_SOLID, 0xFF0000);
    r.move_to(0, 5);
    r.line_to(99, 5);
    for (int x = 0; x < 99; ++x)
        ASSERT_EQ(r.pixel(x, 5), 0xFF0000u) << x;

    r.set_pen(PEN_STYLE_DASH, 0x0000FF);
    r.move_to(0, 10);
    r.line_to(99, 10);
    int on = 0;
    for (int x = 0; x < 99; ++x)
        on += r.pixel(x, 10) == 0x0000FFu;
    EXPECT_GT(on, 50);
    EXPECT_LT(on, 90);

    r.set_pen(PEN_STYLE_DOT, 0x00FF00);
    r.move_to(0, 15);
    r.line_to(99, 15);
    for (int x = 0; x + 1 < 99; ++x) // never two dots side by side
        EXPECT_FALSE(r.pixel(x, 15) == 0x00FF00u && r.pixel(x + 1, 15) == 0x00FF00u) << x;

    r.fill_rect(10, 20, 19, 29, 0xFFFF00);
    EXPECT_EQ(r.pixel(10, 20), 0xFFFF00u);
    EXPECT_EQ(r.pixel(19, 29), 0xFFFF00u);
    EXPECT_EQ(r.pixel(20, 29), 0xFFFFFFu);
    EXPECT_EQ(r.pixel(9, 20), 0xFFFFFFu);
    r.fill_rect(-50, -50, 500, 2, 0x123456); // clipped
    EXPECT_EQ(r.pixel(99, 0), 0x123456u);
    EXPECT_EQ(r.pixel(-1, 0), 0xFFFFFFFFu);
    r.move_to(-100000, -100000);
    r.line_to(100000, 100000); // far outside: clipped, and quick
}

TEST_F(PlotTest, RepaintDrawsTheListScaledToTheClient) {
    init();
    ASSERT_EQ(plot_open(1), 1);
    plot_fill_rect(0, 0, 10, 8, 1);
    plot_set_color(4);
    plot_pen(0, 4, PEN_UP);
    plot_pen(10, 4, PEN_DOWN);
    RasterPainter r(401, 321);
    plot_paint(r, 401, 321);
    EXPECT_EQ(plot_state().W, 400);
    EXPECT_EQ(plot_state().H, 320);
    EXPECT_DOUBLE_EQ(plot_state().sx, 40);
    EXPECT_EQ(r.pixel(0, 0), 0x0000FFu); // the blue page
    EXPECT_EQ(r.pixel(400, 320), 0x0000FFu);
    EXPECT_EQ(r.pixel(200, 160), 0xFF0000u); // the red line across it
    EXPECT_EQ(r.pixel(200, 159), 0x0000FFu);

    plot_set_rotated();
    RasterPainter t(401, 321);
    plot_paint(t, 401, 321);
    EXPECT_EQ(t.pixel(200, 0), 0xFF0000u); // now a line from top to bottom at y = 4
    EXPECT_EQ(t.pixel(200, 300), 0xFF0000u);
    EXPECT_EQ(t.pixel(100, 160), 0x0000FFu);
}

TEST(PaintList, UnknownTagStopsTheWalk) {
    DisplayList l;
    ASSERT_EQ(l.create(nullptr), 1);
    ASSERT_EQ(l.add_pen(PEN_STYLE_SOLID, 0), 1);
    ASSERT_EQ(l.add_move(1, 1), 1);
    ASSERT_EQ(l.add_line(9, 1), 1);
    std::vector<uint8_t> bytes(l.data(), l.data() + l.size());
    const int32_t bogus = 7;
    std::memcpy(&bytes[24], &bogus, 4); // the line tag
    RasterPainter r(101, 81);
    const PaintView v = view(101, 81, false);
    int32_t bad = 0;
    EXPECT_EQ(plot_paint_list(bytes.data(), bytes.size(), v, r, bad), 0);
    EXPECT_EQ(bad, 7);
    EXPECT_EQ(r.pixel(50, 70), 0xFFFFFFu);
    bad = 0;
    EXPECT_EQ(plot_paint_list(l.data(), l.size(), v, r, bad), 1);
    EXPECT_EQ(r.pixel(50, 70), 0u);
}
