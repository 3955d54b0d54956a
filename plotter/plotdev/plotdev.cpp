// Plot state and the drawing operations.
#include "plotdev/plotdev.h"

namespace {
PlotState g_state;
}

int16_t plot_initialize(const char*) { return 0; }
void plot_set_title(const char*) {}
void plot_set_rotated() {}
void plot_set_hardcopy(int16_t) {}
void plot_set_window(float, float, float, float) {}
int16_t plot_open(int16_t) { return 0; }
void plot_set_color(int16_t) {}
void plot_set_line_style(int16_t) {}
void plot_fill_rect(float, float, float, float, int16_t) {}
void plot_pen(float, float, int16_t) {}
void plot_text(float, float, float, const char*, float, int16_t) {}
int16_t plot_wait_event(int16_t) { return 0; }
uint32_t plot_color_value(int16_t) { return 0xFFFFFF; }
PlotPenStyle plot_style_of(int16_t) { return PEN_STYLE_SOLID; }
const PlotState& plot_state() { return g_state; }
void plot_reset() {}
void plot_set_hooks(const PlotHooks&) {}
void plot_paint(PlotPainter&, int, int) {}
