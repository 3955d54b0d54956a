#include "icons.h"

#include "icon_shape.h"

#include <algorithm>
#include <cmath>

namespace fenwold_gtk {

namespace {

void rgb(cairo_t* cr, unsigned hex) {
    cairo_set_source_rgb(cr, ((hex >> 16) & 255) / 255.0, ((hex >> 8) & 255) / 255.0,
                         (hex & 255) / 255.0);
}

void rounded_rect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void polyline(cairo_t* cr, const double* xy, int points) {
    cairo_move_to(cr, xy[0], xy[1]);
    for (int i = 1; i < points; ++i)
        cairo_line_to(cr, xy[2 * i], xy[2 * i + 1]);
}

// The icon on a 64 x 64 grid.
void icon64(cairo_t* cr) {
    using namespace fenwold_icon;
    rounded_rect(cr, kSheet[0], kSheet[1], kSheet[2], kSheet[3], kSheet[4]);
    rgb(cr, kPaper);
    cairo_fill_preserve(cr);
    rgb(cr, kFrame);
    cairo_set_line_width(cr, kFrameWidth);
    cairo_stroke(cr);
    cairo_set_line_width(cr, kTraceWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const Polyline& t : kTraces) {
        polyline(cr, t.xy, t.points);
        rgb(cr, t.rgb);
        cairo_stroke(cr);
    }
    const double dash[] = {kPickDash, kPickGap};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_line_width(cr, kPickWidth);
    rgb(cr, kPick);
    cairo_move_to(cr, kPickX, kPickTop);
    cairo_line_to(cr, kPickX, kPickBottom);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
}

} // namespace

void draw_icon(cairo_t* cr, double width, double height) {
    cairo_save(cr);
    double s = std::min(width, height) / 64.0;
    cairo_translate(cr, (width - 64 * s) / 2, (height - 64 * s) / 2);
    cairo_scale(cr, s, s);
    icon64(cr);
    cairo_restore(cr);
}

GdkPixbuf* program_icon(int size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    draw_icon(cr, size, size);
    cairo_destroy(cr);
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_surface(surface, 0, 0, size, size);
    cairo_surface_destroy(surface);
    return pixbuf;
}

void draw_trace_logo(cairo_t* cr, double width, double height) {
    cairo_save(cr);
    rounded_rect(cr, 1, 1, width - 2, height - 2, 4);
    rgb(cr, 0x3b4a5a);
    cairo_fill(cr);
    // A local event: quiet, the P onset, a larger S phase and its coda.
    cairo_set_line_width(cr, 1.5);
    rgb(cr, 0xf4f1e8);
    const double mid = height / 2;
    cairo_move_to(cr, 4, mid);
    for (double x = 4; x < width - 4; x += 1.0) {
        double u = (x - 4) / (width - 8);
        double amp = 0.02;
        if (u > 0.25)
            amp += 0.25 * std::exp(-(u - 0.25) * 12);
        if (u > 0.45)
            amp += 0.45 * std::exp(-(u - 0.45) * 7);
        cairo_line_to(cr, x, mid - amp * (height / 2 - 3) * std::sin(x * 1.7) * std::cos(x * 0.37));
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

void draw_name_logo(cairo_t* cr, double width, double height) {
    cairo_save(cr);
    rounded_rect(cr, 1, 1, width - 2, height - 2, 4);
    rgb(cr, 0xf4f1e8);
    cairo_fill_preserve(cr);
    rgb(cr, 0xb23a2a);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, height * 0.5);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, "TALVEX", &ext);
    cairo_move_to(cr, (width - ext.width) / 2 - ext.x_bearing,
                  (height - ext.height) / 2 - ext.y_bearing);
    rgb(cr, 0x3b4a5a);
    cairo_show_text(cr, "TALVEX");
    cairo_restore(cr);
}

} // namespace fenwold_gtk
