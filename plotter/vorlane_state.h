// Run-wide state of the plotter: settings, names, the log and the values the
// sheet layout works out for the sheets and hands to the trace drawing.
#pragma once

#include <cstdint>
#include <string>

#include <platform/file_handle.h>

inline constexpr const char* kVorlaneVersion = "3.0";
inline constexpr double kNotSet = -1.0e-36;   // gain, dig con and overrides not given
inline constexpr float kMagPeak = 2.0e9f;     // peak magnified to full scale
inline constexpr float kLengthAll = 99999.0f; // plot the whole trace
inline constexpr size_t kMaxFileName = 260;
inline constexpr size_t kMaxSwitchText = 255;
inline constexpr size_t kMaxIniPath = 271;
inline constexpr size_t kMaxSheetLabel = 143;
inline constexpr int kMaxAbsStations = 12;

// Annotation flag bits.
enum : uint16_t {
    kAnnotEventLine = 1,
    kAnnotPRemark = 2,
    kAnnotSampleRate = 4,
    kAnnotAmpMag = 8,
    kAnnotSideLine = 16,
    kAnnotClArgs = 32,
    kAnnotAmpBrackets = 64,
};

struct PlotSettings {
    int16_t plot_mode = 1;
    int16_t record_section = 0;
    int16_t weight_criterion = 5;
    int16_t decimation = 1;
    int16_t plot_resolution = 300;
    int16_t traces_per_page = 0;
    float jump = 0.0f;
    float length = kLengthAll;
    float magnification = 1.0f;
    int32_t baseline = 0;
    int16_t dump = 0;
    double half_window = 60.0;
    float range_min = 0.0f;
    float range_max = 0.0f;
    int16_t doy_dates = 0;
    float pause = 5.0f;
    int16_t amp_unit = 0;
    char amp_unit_text[14] = "Counts";
    double amp_gain = kNotSet;
    double counts_per_volt = kNotSet;
    double volts_per_gmu = kNotSet;
    uint16_t annot = 0xFFFF;
};

// Values worked out by the sheet layout and used while a trace is drawn.
struct SheetValues {
    double reference_time = 0.0;
    double window_start = 0.0;
    double window_end = 0.0;
    double plot_start = 0.0;
    double plot_end = 0.0;
    float time_scale = 0.0f;
    float range_scale = 0.0f;
    float band_height = 0.0f;
};

struct VorlaneState {
    PlotSettings settings;
    char abs_list[kMaxAbsStations][5] = {};
    int abs_count = 0;
    bool hardcopy_printer = true; // cleared by /H
    std::string suds_name;
    std::string hypo_name;
    std::string switch_text;
    std::string ini_path;
    std::string sheet_label;
    double session_time = 0.0;
    bool error_flag = false;
    platform::FileHandle log;
    SheetValues sheet;
};

// The one run state of the program.
VorlaneState& vorlane_state();

// Back to the state of program start: defaults, empty names, no log.
void vorlane_reset();

// Time text style for the session time and the sheets: code 10 with day-of-year dates, else 4.
int vorlane_time_code();
