// The recorder CD1.1 file reader of pass 1: reads the file header, then
// extracts each channel in turn, walking the file from its first subframe
// and handing each of the channel's subframes to the channel assembly.
#pragma once

#include <string>
#include <vector>

class Progress;

struct RecorderRunOptions {
    bool verbose = false; // the header and channel report
    bool suds =
        false; // -suds: work files are staged, and a location split names them in the report
};

// What pass 1 leaves for pass 2.
struct RecorderRunResult {
    bool location_split = false;         // two channels share a name: one work file per location
    std::vector<std::string> work_files; // in order of creation
    std::vector<double> bit_weights;     // of each finished channel
};

// Reads the recorder file input_name into work_name (and, with the location
// split, the work files of each location). Reports as it goes; progress of
// the walks goes to `progress`. The result is filled also on failure. true
// on success; false after its message.
bool recorder_read(const std::string& input_name, const std::string& work_name,
                   const RecorderRunOptions& options, Progress& progress,
                   RecorderRunResult* result);
