// Recorder CD1.1 file reader and pass 1 of the converter: reads the file
// header, extracts each channel in turn with its subframes into the SUDS
// work files, and writes the verbose file and channel report.
#pragma once

#include <string>

// Pass 1 over the recorder file input_name into work_name (and, with the
// location split, the work files of each location). Fills g_run.work_files,
// g_run.location_split and g_run.bit_weights. true on success; false after
// its message.
bool pass1(const std::string& input_name, const std::string& work_name);
