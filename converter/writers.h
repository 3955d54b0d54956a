// The three writers of pass 2 (Mini-SEED, one-file ASCII, per-channel ASCII)
// and the network, station and channel codes they derive for a channel.
#pragma once

#include <cstdio>

#include "channel_index.h"

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

// Writes one channel of the SUDS file `descriptor` (opened read-only) in the
// run's format: g_run.asc -> one-file ASCII into `out`; else g_run.casc -> its own
// file named from g_run.current_output (`out` unused, may be null); else
// Mini-SEED records into `out`. Returns 1 on success, also when the channel has
// nothing to write (no samples, unknown data type, with its warning); 0 after
// writing its report message.
int write_channel(int descriptor, const ChannelIndexEntry& entry, std::FILE* out);
