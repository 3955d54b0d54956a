// Drawing one trace into its band: statistics, mean removal, clipping, scale,
// simple or windowing decimation, amplitude brackets and phase marks.
#pragma once

#include <cstdint>

// Console seams for the Escape check; unset members use the real console.
struct TraceDrawHooks {
    bool (*key_waiting)() = nullptr;
    int (*read_key)() = nullptr;
};
void trace_draw_set_hooks(const TraceDrawHooks& hooks);

// True when the station name (up to its first zero byte) is in the absolute-amplitude list.
bool trace_in_abs_list(const char station[5]);

// Full scale of a trace: the value that deflects it by half the band height.
double trace_full_scale(float magnification, bool absolute, int32_t sample_max, double peak);

// Draw record `index` between the band edges; 1 on success, 0 on failure (the plot
// is then ended).
int trace_draw(int index, float far_edge, float yL, float near_edge, float yR);

// Phase marks of record `index` in the band (used by trace_draw; public for tests).
void trace_phase_marks(int index, float far_edge, float yL, float near_edge, float yR);
