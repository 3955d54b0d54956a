// A .PLX plot laid out on a page, free of any drawing library: the page
// size that fits the plot's first window, and a replay of its records as
// pen strokes in page units (origin at the top left, y downwards). The
// Windows renderer draws through it; the page rules are those of the cairo
// renderer (render.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "plotdev/display_list.h"
#include "plotdev/plx.h"

struct PlxPage {
    double width = 0, height = 0; // page size in page units
    double margin = 0;            // blank border on every side
    bool rotated = true;          // x runs down the page, y to the right, as in the plot window
};

// The drawing's proportions fitted into a page whose long side is
// `long_side`; rotated plots stand upright.
PlxPage plx_fit_page(const std::vector<PlxRecord>& records, bool rotated, double long_side,
                     double margin);

// What the replay draws with.
class PlxStrokeSink {
  public:
    virtual ~PlxStrokeSink() = default;
    virtual void pen(uint32_t rgb, PlotPenStyle style) = 0;
    // A stroke starts at move and goes on through each line point.
    virtual void move(double x, double y) = 0;
    virtual void line(double x, double y) = 0;
};

// Replays the records on the page: each window fills the page inside the
// margins; a shifted window keeps its extent and with it the scale.
void plx_replay(const std::vector<PlxRecord>& records, const PlxPage& page, PlxStrokeSink& sink);
