// Drawing one trace into its band: scale, simple or windowing decimation, the
// start time of a trace outside the window, amplitude brackets and phase marks.
#pragma once

#include <cstdint>

#include "trace_record.h"
#include "trace_samples.h"
#include "vorlane_state.h"

// The band of a trace: far and near edge across the bands, the time axis ends along them.
struct TraceBand {
    float far_edge;
    float yL;
    float near_edge;
    float yR;
};

// What the drawing leaves for the labels beside the trace.
struct TraceStats {
    double maximum = 0.0; // of all samples, bias removed
    double minimum = 0.0;
    double mean = 0.0;
    int32_t peak = 0;    // largest plotted value, rounded
    float centre = 0.0f; // x of the trace's zero line
};

// State of the drawing that lasts from trace to trace.
struct TraceDrawRun {
    // Decimation in force: the setting, until a trace too slow for windowing
    // turns windowing into none for the rest of the run.
    int16_t decimation = 1;
    bool listing = false; // a hypocentre listing was read: phase marks
};

// Draws record r with its samples (plotted values may be written into them) in
// the band, with the plot start, end and scales of the sheet.
TraceStats trace_draw(const TraceRecord& r, TraceSamples& samples, const TraceBand& band,
                      const SheetValues& sheet, TraceDrawRun& run);
