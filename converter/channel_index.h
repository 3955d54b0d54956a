// The channel index of a SUDS work file: one entry per channel identifier,
// in order of first appearance, with the tag positions of its StationComp,
// Instrument and DescripTrace and the length and type of its samples.
#pragma once

#include <cstdint>
#include <vector>

#include <suds/suds.h>

struct ChannelIndexEntry {
    std::uint8_t identifier[SUDS_SIZE_STATION_IDENTIFIER] =
        {};                            // StationIdentifier bytes, compared as bytes
    SudsLongStationIdentifier long_id; // "long station/component" of the DescripTrace
    std::int32_t sc_pos = -1;          // StationComp tag position, -1 when none
    std::int32_t in_pos = -1;          // Instrument tag position, -1 when none
    std::int32_t dt_pos = -1;          // DescripTrace tag position, -1 when none
    std::int32_t dt_len = 0;           // bytes of samples the DescripTrace announces, 0 when none
    char type = 0;                     // DescripTrace "data type", 0 when none
};

using ChannelIndex = std::vector<ChannelIndexEntry>;

// Reads the whole SUDS file open as `descriptor` from its start and fills `index`
// (cleared first). Returns the number of entries (0 when the file holds no
// channel), or -1 after writing a report message (SUDS error text, or
// "\nERROR: out of memory!\n").
int channel_index_build(int descriptor, ChannelIndex* index);

// Diagnostic listing of the index as report messages (not used in a normal run).
void channel_index_dump(const ChannelIndex& index);
