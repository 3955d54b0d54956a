// Sheets: the common time window, traces per page and sheet count, headings,
// the time and range axes, and the labels beside every trace.
#pragma once

#include <string>

#include "trace_db.h"
#include "trace_draw.h"

// Log the records, drop those outside the window about the first record's start
// and work out the window start and end (the time-window step before the first sheet).
void sheet_time_window(TraceDatabase& db);

// Traces per page and sheet count for a record count and the traces-per-page setting
// (0 = best fit, at most 24 a sheet).
void sheet_page_split(int count, int setting, int* per_page, int* sheets);

// Number as axis text: "%lld" when whole, else the leading part of "%-12.*f".
std::string sheet_number_text(double value, int precision = 1);

// Time axis unit, its name and the major and minor tick steps in hundredths of a second.
struct TimeAxisSteps {
    double unit;
    const char* name;
    long major;
    long minor;
};
TimeAxisSteps sheet_time_steps(double span);

// Range axis tick steps in hundredths of a distance unit.
void sheet_range_steps(double span, long* major, long* minor);

// One trace of a sheet: the Escape check, its samples loaded, drawn in the band
// and its statistics kept in the record and in `stats`. 1 on success; 0 when
// the plotting must end (the plot is then ended, a failure's message given).
int sheet_draw_trace(TraceDatabase& db, TraceRecord& r, const TraceBand& band, TraceDrawRun& run,
                     TraceStats& stats);

// Draw every sheet; 1 on success, 0 when a sheet could not be opened or a trace failed.
int sheet_plot_all(TraceDatabase& db);
