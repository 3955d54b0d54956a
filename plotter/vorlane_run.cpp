#include "vorlane_run.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <plotdev/plotdev.h>
#include <suds/suds.h>

#include "platform/paths.h"
#include "sheet_layout.h"
#include "talvex_version.h"
#include "trace_db.h"
#include "vorlane_log.h"
#include "vorlane_settings.h"
#include "vorlane_state.h"

namespace {

// The log file as it is really named, and so named in the closing notice: case
// matters on Linux; Windows names are case-insensitive and keep the upper case.
#ifdef _WIN32
constexpr const char* kLogNotice = "\nError(s) have occured, please review VORLANE.LOG.\n";
#else
constexpr const char* kLogNotice = "\nError(s) have occured, please review vorlane.log.\n";
#endif

} // namespace

int vorlane_main(int argc, char** argv) {
    // The two long options answer before anything is set up: no banner, no log.
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0) {
            vorlane_usage();
            vorlane_print("\n");
            return 0;
        }
        if (strcmp(argv[i], "--version") == 0) {
            vorlane_print("vorlane %s\n", TALVEX_TOOLSET_VERSION);
            return 0;
        }
    }
    vorlane_reset();
    VorlaneState& st = vorlane_state();
    vorlane_print("VORLANE - Win32 Version %s\n\n", kVorlaneVersion);
    if (!vorlane_log_open("vorlane.log"))
        vorlane_print("WARNING: unable to create log file: vorlane.log\n");
    vorlane_log("VORLANE Win32 Version %.4s Log\n\n", kVorlaneVersion);
    vorlane_log("Command line arguments:\n");
    st.error_flag = false;

    st.ini_path = vorlane_ini_path();
    vorlane_read_ini(st.ini_path.c_str());

    for (int i = 1; i < argc; ++i) {
        vorlane_log("  %d - %s\n", i, argv[i]);
        if (vorlane_argument(argv[i]) == ArgResult::kUsage) {
            vorlane_usage();
            return 1;
        }
    }
    vorlane_finish_switch_text();
    vorlane_log("\n");

    if (st.suds_name.empty()) {
        vorlane_message("ERROR: no SUDS data input file specified\n");
        st.error_flag = true;
        return 1;
    }
    st.sheet_label = vorlane_sheet_label(st.suds_name);

    if (!plot_initialize(st.ini_path.c_str()))
        return 1;
    plot_set_rotated();
    // Several plots may be open side by side: the caption names the file.
    const std::string title = "Plot window - " + platform::file_name_part(st.suds_name);
    plot_set_title(title.c_str());
    plot_set_hardcopy(st.hardcopy_printer ? 1 : 0);
    plot_set_window(0, 0, 10, 8);

    st.session_time = suds_now();
    vorlane_log("Session time: %s\n\n", suds_time_text(st.session_time, vorlane_time_code()));

    {
        TraceDatabase db = trace_build_database(st.suds_name, st.hypo_name, st.settings);
        if (db.records.empty())
            return 1;
        vorlane_settings_summary(db.listing_read(), db.range_min, db.range_max);
        if (!sheet_plot_all(db))
            return 1;
    }
    vorlane_log_close();
    if (st.error_flag)
        vorlane_print("%s", kLogNotice);
    // A plot that was to be saved or printed and was not is a failed run,
    // though the sheets were drawn.
    return plot_state().saves_failed > 0 ? 1 : 0;
}
