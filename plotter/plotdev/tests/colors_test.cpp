// The colour and line style tables.
#include <gtest/gtest.h>

#include "plotdev/colors.h"

TEST(PlotTables, ColoursAndStyles) {
    EXPECT_EQ(plot_color_value(0), 0xFFFFFFu);
    EXPECT_EQ(plot_color_value(16), 0xFFFFFFu);
    EXPECT_EQ(plot_color_value(-32767), 0xFFFFFFu);
    EXPECT_EQ(plot_color_value(1), 0x0000FFu);
    EXPECT_EQ(plot_color_value(6), 0x8B4513u);
    EXPECT_EQ(plot_color_value(7), 0x000000u);
    EXPECT_EQ(plot_color_value(13), 0xCDA0CDu);
    EXPECT_EQ(plot_color_value(15), 0xBFBFBFu);
    const PlotPenStyle expected[10] = {PEN_STYLE_SOLID,      PEN_STYLE_DASH, PEN_STYLE_DASHDOT,
                                       PEN_STYLE_DASHDOTDOT, PEN_STYLE_DASH, PEN_STYLE_DASHDOT,
                                       PEN_STYLE_DASHDOTDOT, PEN_STYLE_DOT,  PEN_STYLE_DASH,
                                       PEN_STYLE_DASHDOT};
    for (int16_t i = 0; i < 10; ++i)
        EXPECT_EQ(plot_style_of(i), expected[i]) << i;
    EXPECT_EQ(plot_style_of(12), PEN_STYLE_DASHDOT);
    EXPECT_EQ(plot_style_of(-1), PEN_STYLE_SOLID);
}
