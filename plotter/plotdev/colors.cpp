#include "plotdev/colors.h"

uint32_t plot_color_value(int16_t index) {
    static const uint32_t kColors[16] = {
        0xFFFFFF, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0x8B4513, 0x000000,
        0x808080, 0xADD8E6, 0x98FF98, 0xA0CDCD, 0xFFB6C1, 0xCDA0CD, 0xFFFF00, 0xBFBFBF,
    };
    return index >= 1 && index <= 15 ? kColors[index] : 0xFFFFFF;
}

PlotPenStyle plot_style_of(int16_t index) {
    static const PlotPenStyle kStyles[10] = {
        PEN_STYLE_SOLID, PEN_STYLE_DASH,    PEN_STYLE_DASHDOT,    PEN_STYLE_DASHDOTDOT,
        PEN_STYLE_DASH,  PEN_STYLE_DASHDOT, PEN_STYLE_DASHDOTDOT, PEN_STYLE_DOT,
        PEN_STYLE_DASH,  PEN_STYLE_DASHDOT,
    };
    return kStyles[index < 0 ? 0 : index > 9 ? 9 : index];
}
