// The 16 colours and 10 line styles of the plot library, shared by the plot
// state (which selects them) and the painter (which draws with them).
#pragma once

#include <cstdint>

#include "plotdev/display_list.h"

// RGB (0xRRGGBB) of a colour index; white for indices outside 1..15.
uint32_t plot_color_value(int16_t index);

// Screen pen style of a line style index (clamped to 0..9 first).
PlotPenStyle plot_style_of(int16_t index);
