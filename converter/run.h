// The converter's one run state: settings from the switches, the file names
// of the run, the lists that pass 1 fills for pass 2, and the information
// file that receives a copy of every report message.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <functional>

#include "progress.h"
#include <string>
#include <vector>

inline constexpr const char* kTalvexVersion = "1.6";
inline constexpr int kMaxWorkFiles = 20;  // work-file list entries
inline constexpr int kMaxBitWeights = 20; // bit-weight list entries

struct RunState {
    // Switches. asc and casc are never both set: the driver clears casc when
    // asc is given too, so the writers and the driver agree on one ASCII file.
    bool verbose = false;
    bool suds = false;
    bool asc = false;
    bool casc = false;

    std::string input_name;  // full path of the recorder file
    std::string output_name; // full path of the requested output
    std::string work_name;   // SUDS work file handed to pass 1
    std::string info_name;   // information file (.wtx), verbose only

    // Names of the SUDS work files pass 1 created, in order of creation.
    std::vector<std::string> work_files;
    // Output name of the work file pass 2 is converting (per-channel ASCII
    // names are made from it).
    std::string current_output;
    // Set by pass 1 when two channels share a channel name: one work file
    // per location code.
    bool location_split = false;

    // Bit weight (volts per count) of each finished channel; channel ordinal
    // k (from 1) is bit_weights[k - 1].
    std::vector<double> bit_weights;

    std::FILE* info_file = nullptr; // open information file, or null

    Progress progress; // shown while the passes run

    // While set, asked before each report message: work still running on
    // another thread finishes first, and when it failed (its message given),
    // false holds the message back.
    std::function<bool()> report_gate;
};

// The run state of this process.
extern RunState g_run;

// Closes the information file and returns every setting to its start value.
void run_reset();

// Writes a report message to standard output and, while the information file
// is open, the same text to it.
void report(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The text printf makes of fmt and its arguments, whatever its length.
std::string format_text(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat_text(const char* fmt, va_list ap);

// Writes text to the information file only (nothing when it is not open).
void report_info_only(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Creates (truncates) the information file g_run.info_name for text writing.
// true when it opened; the run goes on without it otherwise.
bool run_open_info();

// Closes the information file if it is open.
void run_close_info();
