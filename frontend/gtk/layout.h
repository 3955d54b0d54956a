// Dialog units: the window layouts are given in them. One horizontal unit is
// a quarter of the dialog font's average character width, one vertical unit
// an eighth of its height.
#pragma once

#include <string>

#include <gtk/gtk.h>

namespace fenwold_gtk {

struct DialogUnits {
    double x = 1.5;   // pixels per horizontal unit
    double y = 1.625; // pixels per vertical unit
    int px(int dlu) const { return static_cast<int>(dlu * x + 0.5); }
    int py(int dlu) const { return static_cast<int>(dlu * y + 0.5); }
};

// Measures the units from the font that `widget` uses.
DialogUnits dialog_units_of(GtkWidget* widget);

// A rectangle in dialog units.
struct Rect {
    int x, y, w, h;
};

// Sizes fixed to w x h dialog units.
void set_size(GtkWidget* fixed, const DialogUnits& du, int w, int h);

// "&About..." as a GTK mnemonic: "_About...".
std::string mnemonic(const char* caption);

// Puts child into fixed at the rectangle (x, y, w, h) in dialog units.
void place(GtkWidget* fixed, GtkWidget* child, const DialogUnits& du, int x, int y, int w, int h);

// Prints "fenwold: <what>" on standard output when tracing is on
// (FENWOLD_TRACE set), for tests that drive the window.
bool tracing();
void trace(const char* what, const std::string& text);

} // namespace fenwold_gtk
