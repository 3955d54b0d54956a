#include "layout.h"

#include <cstdio>
#include <cstdlib>

namespace fenwold_gtk {

DialogUnits dialog_units_of(GtkWidget* widget) {
    DialogUnits du;
    PangoLayout* layout = gtk_widget_create_pango_layout(
        widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    if (w > 0 && h > 0) {
        // The average width is rounded as the dialog manager does.
        du.x = ((w / 26 + 1) / 2) / 4.0;
        du.y = h / 8.0;
    }
    return du;
}

void place(GtkWidget* fixed, GtkWidget* child, const DialogUnits& du, int x, int y, int w, int h) {
    gtk_widget_set_size_request(child, du.px(w), du.py(h));
    gtk_fixed_put(GTK_FIXED(fixed), child, du.px(x), du.py(y));
}

bool tracing() {
    static const bool on = std::getenv("FENWOLD_TRACE") != nullptr;
    return on;
}

void set_size(GtkWidget* fixed, const DialogUnits& du, int w, int h) {
    gtk_widget_set_size_request(fixed, du.px(w), du.py(h));
}

std::string mnemonic(const char* caption) {
    std::string out;
    for (const char* c = caption; *c; ++c)
        out += *c == '&' ? '_' : *c;
    return out;
}

void trace(const char* what, const std::string& text) {
    if (!tracing())
        return;
    // Line ends inside a text are shown escaped, so that one event is one line.
    std::string shown;
    for (char c : text) {
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            shown += c;
        }
    }
    std::printf("fenwold: %s: %s\n", what, shown.c_str());
    std::fflush(stdout);
}

} // namespace fenwold_gtk
