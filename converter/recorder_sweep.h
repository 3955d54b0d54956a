// Pass 1 in one walk over the recorder file: for a regular file (every
// subframe chained by its length field, the channels interleaved in order,
// nothing a channel-by-channel walk would stop at or warn about beyond the
// time stamps) the work files are laid out first and every channel's samples
// are then decoded in a single walk and written at their places. The result,
// the report and the work files are those of the channel-by-channel walk;
// anything else leaves no trace and asks for that walk.
#pragma once

#include "recorder.h"
#include "recorder_report.h"

#include <string>

namespace platform {
class MappedFile;
}

enum class SweepOutcome {
    kDone,       // pass 1 succeeded; its report is written, result filled
    kWalkInstead // nothing was written or reported: walk channel by channel
};

SweepOutcome recorder_sweep(platform::MappedFile& file, const RecorderHeader& header,
                            long long first_pos, const std::string& input_name,
                            const std::string& work_name, const RecorderRunOptions& options,
                            bool location_split, Progress& progress, RecorderRunResult* result);
