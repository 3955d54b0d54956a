// Drawing a decoded .PLX plot with cairo.
#pragma once

#include <cairo.h>

#include <vector>

#include "plotdev/plx.h"

struct PageLayout {
    double width = 0, height = 0; // page size in device units
    double margin = 0;            // blank border on every side
    double line_width = 1;        // pen width in device units
    double dash_unit = 1;         // length unit of the dash patterns
    bool rotated = true;          // x runs down the page, y to the right, as in the plot window
};

// The first window of the plot, (0, 0, 10, 8) when the file has none.
void kelpin_first_window(const std::vector<PlxRecord>& records, double w[4]);

// Page size for a plot: the drawing's proportions fitted into a page whose
// long side is `long_side` (rotated plots stand upright).
PageLayout kelpin_fit_page(const std::vector<PlxRecord>& records, bool rotated, double long_side,
                           double margin);

// Draws the records on a white page. The user window is fitted into the
// page inside the margins, keeping its proportions.
void kelpin_render(cairo_t* cr, const std::vector<PlxRecord>& records, const PageLayout& page);
