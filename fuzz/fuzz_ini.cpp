// Both readers of the INI file: the plotter's [VORLANE] section and the plot
// device library's [2.X_VEXIL] section, on the same text.
#include <cstdint>

#include "fuzz_util.h"
#include "plot_ini.h"
#include "vorlane_settings.h"
#include "vorlane_state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_quiet_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz_write_file("trelkit.ini", data, size);
    vorlane_reset();
    vorlane_read_ini(path.c_str());
    vorlane_settings_summary(false, 0.0f, 0.0f);
    vorlane_reset();
    PlotIniValues values;
    (void)plot_read_ini(path, values);
    return 0;
}
