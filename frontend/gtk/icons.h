// The program icon and the two logos of the About box, drawn with cairo.
#pragma once

#include <gtk/gtk.h>

namespace fenwold_gtk {

// The icon (a recorder sheet with three traces and a pick) at size x size
// pixels; the caller owns the pixbuf.
GdkPixbuf* program_icon(int size);

// Draws into a drawing area: the icon scaled to its size, or a logo.
void draw_icon(cairo_t* cr, double width, double height);
void draw_trace_logo(cairo_t* cr, double width, double height);
void draw_name_logo(cairo_t* cr, double width, double height);

} // namespace fenwold_gtk
