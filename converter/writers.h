// The three writers of pass 2 (Mini-SEED, one-file ASCII, per-channel ASCII)
// and the network, station and channel codes they derive for a channel.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "channel_index.h"

class Progress;
class MseedAhead;
namespace platform {
class MappedFile;
}

// Identification codes of one channel, NUL-terminated, unpadded (a code shorter
// than its width ends at its last character).
struct ChannelCodes {
    char network[3] = {};
    char station[6] = {};
    char channel[4] = {};
    char location[3] = {' ', ' ', 0};
};

// Codes of an index entry: from the long identifier when its long station and
// long component are both non-empty, else from the 12-byte identifier.
ChannelCodes channel_codes(const ChannelIndexEntry& entry);

enum class OutputFormat { MiniSeed, Ascii, AsciiPerChannel };

// What the writers need of the run; one for the whole of pass 2.
struct WriterContext {
    OutputFormat format = OutputFormat::MiniSeed;
    bool verbose = false;
    std::string input_name;          // a per-channel file may not be the input
    std::string current_output;      // output name of the work file; names the per-channel files
    std::vector<double> bit_weights; // of each channel, by ordinal (from 1)
    int channel_ordinal = 0; // per-channel ASCII: increased before each channel, never reset
    std::vector<std::string> channel_files; // per-channel ASCII: the names written so far
    Progress* progress = nullptr;           // told the work-file position as samples are read
    // The work file's bytes: samples are taken from it where it holds them,
    // else read through the SUDS descriptor (whose error text is then reported).
    platform::MappedFile* work = nullptr;
    // Mini-SEED: the next channel's records made ahead on a second thread (may be null).
    MseedAhead* ahead = nullptr;
    const ChannelIndex* index = nullptr; // the work file's index, and the entry being written
    std::size_t index_at = 0;
};

// Makes the Mini-SEED records of a channel ahead of the writer on a second
// thread, a bounded number of them, from its own view of the work file;
// write_channel takes them up when it reaches that channel. It never
// reports: whatever goes wrong there is met again, and reported, by the writer.
struct MseedAheadDeleter {
    void operator()(MseedAhead* ahead) const;
};
using MseedAheadPtr = std::unique_ptr<MseedAhead, MseedAheadDeleter>;
// `records`: the most records made ahead (0: enough for a channel of about
// 15 million samples).
MseedAheadPtr mseed_ahead_open(const std::string& work_name, int records = 0);

// Before index[at] is written: the next channel with samples goes to the
// thread, unless it holds records of one still.
void mseed_look_ahead(MseedAhead* ahead, int descriptor, const ChannelIndex& index, std::size_t at);

// Appends "%d\r\n" for each of samples[0..n-1] at out, which must have room
// for 13 characters per sample; returns the end of the text written.
char* format_sample_lines(const std::int32_t* samples, long n, char* out);

// Writes one channel of the SUDS file `descriptor` (opened read-only) in the
// context's format: Ascii into `out`; AsciiPerChannel into its own file named
// from ctx.current_output (`out` unused, may be null); MiniSeed records into
// `out`. Returns 1 on success, also when the channel has nothing to write (no
// samples, unknown data type, with its warning); 0 after writing its report
// message.
int write_channel(int descriptor, const ChannelIndexEntry& entry, std::FILE* out,
                  WriterContext& ctx);
