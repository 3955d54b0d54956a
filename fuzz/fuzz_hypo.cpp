// The three hypocentre listing readers. The first byte chooses the reader;
// the database holds a few channels so that phase lines can match them.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <platform/file_handle.h>

#include "hypo_listing.h"
#include "trace_db.h"

namespace {

void add_station(std::vector<TraceRecord>& db, const char* station, char component) {
    unsigned char key[12] = {};
    std::memcpy(key, "NET", 3);
    std::memcpy(key + 4, station, std::strlen(station));
    key[9] = static_cast<unsigned char>(component);
    const int i = trace_add_record(db, key);
    if (i < 0)
        __builtin_trap();
    std::memcpy(db[i].station, station, std::strlen(station));
    db[i].component = component;
    db[i].offset = 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    std::vector<char> text(data + 1, data + size);
    platform::FileHandle f(text.empty() ? std::tmpfile() : fmemopen(text.data(), text.size(), "r"));
    if (!f)
        return 0;
    std::vector<TraceRecord> db;
    for (const char* s : {"CH0", "CH1", "CH2", "TALV1", "ABC"})
        for (char c : {'V', 'N', 'E'})
            add_station(db, s, c);
    HypoSummary hypo{};
    switch (data[0] % 3) {
    case 0:
        hypo_read_prt(f.get(), db, hypo);
        break;
    case 1:
        hypo_read_evl(f.get(), db, hypo);
        break;
    default:
        hypo_read_evt(f.get(), db, hypo);
        break;
    }
    return 0;
}
