// Builds without a window system have no plot window back end.
#include "plotdev/screen.h"

int plot_prepare_screen(std::string&) {
    return 1;
}

std::unique_ptr<PlotScreen> plot_make_default_screen() {
    return nullptr;
}
