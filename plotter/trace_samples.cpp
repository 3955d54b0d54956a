#include "trace_samples.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <new>

#include <suds/suds.h>

namespace {

// The message of a format with one text argument, however long the text.
std::string with_text(const char* fmt, const std::string& text) {
    const int n = snprintf(nullptr, 0, fmt, text.c_str());
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    snprintf(out.data(), out.size() + 1, fmt, text.c_str());
    return out;
}

// Reads the data block into one buffer of the sample type and puts the samples
// into host order in place.
template <typename T>
int read_block(int fd, int32_t nbytes, const SudsDescripTrace& dt, std::unique_ptr<T[]>& out,
               int32_t& count, std::string& message) {
    // Not zero-filled: every byte used is read from the file first.
    out.reset(new (std::nothrow) T[static_cast<size_t>(nbytes) / sizeof(T) + 1]);
    if (!out) {
        message = "\nERROR: not enough memory!\n";
        return 0;
    }
    uint8_t* raw = reinterpret_cast<uint8_t*>(out.get());
    if (nbytes > 0 && suds_read_data(fd, raw, nbytes) != 1) {
        message = with_text("\n%s\n", suds_error_text());
        out.reset();
        return 0;
    }
    // The samples the block really holds, whatever the structure announces.
    count = static_cast<int32_t>(std::min<int64_t>(std::max(dt.number_of_samples, 0),
                                                   nbytes / static_cast<int32_t>(sizeof(T))));
    // The file is little-endian: on a little-endian host the bytes already are the samples.
    if constexpr (std::endian::native != std::endian::little) {
        T* s = out.get();
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t* p = raw + static_cast<size_t>(i) * sizeof(T);
            if constexpr (sizeof(T) == 2)
                s[i] = suds_get_i16(p);
            else if constexpr (std::is_same_v<T, float>)
                s[i] = suds_get_f32(p);
            else
                s[i] = suds_get_i32(p);
        }
    }
    return 1;
}

} // namespace

int trace_load_samples(const TraceDatabase& db, const TraceRecord& r, TraceSamples& samples,
                       std::string& message) {
    samples = TraceSamples{};
    const int fd = db.file.get();
    SudsRecord rec;
    if (suds_seek(fd, r.offset) != 1 || suds_read_struct(fd, &rec) != 1) {
        message = with_text("\n%s\n", suds_error_text());
        return 0;
    }
    SudsDescripTrace dt;
    if (!suds_record_get(rec, &dt)) {
        message = with_text("\nERROR: input file out of sync: %s\n", db.suds_name);
        return 0;
    }
    samples.start_time = dt.initial_sample_time + dt.time_correction;
    const int32_t nbytes = std::max<int32_t>(rec.data_length, 0);
    if (r.data_type == 'i' || r.data_type == 'q' || r.data_type == 's')
        return read_block(fd, nbytes, dt, samples.i16, samples.count, message);
    if (r.data_type == 'f')
        return read_block(fd, nbytes, dt, samples.f32, samples.count, message);
    return read_block(fd, nbytes, dt, samples.i32, samples.count, message);
}
