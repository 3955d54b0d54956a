// Builds without a window system have no plot window back end.
#include "plotdev/screen.h"

std::unique_ptr<PlotScreen> plot_make_default_screen() { return nullptr; }
