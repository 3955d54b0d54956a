// Reading the [2.X_VEXIL] section of the INI file.
#pragma once

#include <string>

struct PlotIniValues {
    bool prompt_before_saving = false;
    std::string hardcopy_command = "kelpin";
    std::string temp_dir;
    std::string plot_queue;
};

// Reads the section into `values`, which keep their defaults for keys not
// given. Returns 1, or 0 when the file cannot be opened (values untouched).
int plot_read_ini(const std::string& path, PlotIniValues& values);
