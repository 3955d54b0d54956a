// The plot queue folder: finished plots are kept there as plot%04d.plx.
#pragma once

#include <cstdint>
#include <string>

struct PlotQueueChoice {
    std::string folder; // the queue folder with its trailing "/"
    std::string path;   // folder + the chosen file name
    int number = 0;     // number in the chosen name
    int64_t total = 0;  // bytes of the plot files already in the queue
};

// Chooses the name for the next plot in `folder`: one more than the largest
// four-digit number read after "plot" in the names of the queue's plot
// files (plain, not hidden, matching plot*.plx without regard to case), or
// plot0000.plx in an empty queue. A name already taken (a number past 9999,
// or a name the four digits cannot see) is never chosen: the number moves
// on to the next free name.
PlotQueueChoice plot_choose_queue_file(const std::string& folder);
