// Channel index of a SUDS work file.
#include "channel_index.h"

#include <cstring>
#include <new>

#include "run.h"

namespace {

// Index of the entry with this identifier; appends a new one when there is none.
// -1 when the array cannot grow.
long find_or_add(ChannelIndex* index, const std::uint8_t* identifier) {
    for (std::size_t i = 0; i < index->size(); ++i)
        if (std::memcmp((*index)[i].identifier, identifier, SUDS_SIZE_STATION_IDENTIFIER) == 0)
            return static_cast<long>(i);
    try {
        index->emplace_back();
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(index->back().identifier, identifier, SUDS_SIZE_STATION_IDENTIFIER);
    return static_cast<long>(index->size() - 1);
}

} // namespace

int channel_index_build(int descriptor, ChannelIndex* index) {
    index->clear();
    if (suds_rewind(descriptor) != 1) {
        report("\n%s\n", suds_error_text());
        return -1;
    }
    SudsRecord rec;
    for (;;) {
        const int r = suds_read_struct(descriptor, &rec);
        if (r == -1)
            break;
        if (r != 1) {
            report("\n%s\n", suds_error_text());
            return -1;
        }
        if (rec.type != SUDS_STATION_COMP && rec.type != SUDS_DESCRIP_TRACE &&
            rec.type != SUDS_INSTRUMENT)
            continue;
        const std::int32_t pos = suds_struct_position(descriptor);
        const long i = find_or_add(index, rec.body);
        if (i < 0) {
            report("\nERROR: out of memory!\n");
            return -1;
        }
        ChannelIndexEntry& e = (*index)[static_cast<std::size_t>(i)];
        if (rec.type == SUDS_STATION_COMP) {
            e.sc_pos = pos;
        } else if (rec.type == SUDS_INSTRUMENT) {
            e.in_pos = pos;
        } else {
            SudsDescripTrace dt;
            suds_get_descrip_trace(rec.body, &dt);
            e.dt_pos = pos;
            e.dt_len = rec.data_length;
            e.type = dt.data_type;
            e.long_id = dt.long_station;
        }
    }
    return static_cast<int>(index->size());
}

void channel_index_dump(const ChannelIndex& index) {
    report("\nSUDS file index dump:\n");
    int i = 0;
    for (const ChannelIndexEntry& e : index) {
        report("\nEntry #%d\n", ++i);
        report("sc_pos = %ld\n", static_cast<long>(e.sc_pos));
        report("in_pos = %ld\n", static_cast<long>(e.in_pos));
        report("dt_pos = %ld\n", static_cast<long>(e.dt_pos));
        report("dt_len = %ld\n", static_cast<long>(e.dt_len));
        report("type= %c\n", e.type);
    }
}
