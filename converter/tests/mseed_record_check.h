// Reads Mini-SEED records with libmseed, a reader we did not write: every
// record must parse with its samples decoded and verified, and libmseed must
// print nothing (no warning, no error).
#pragma once

#ifdef HAVE_LIBMSEED

#include <libmseed.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct LibmseedRecord {
    std::int32_t sequence_number = 0;
    std::string network, station, location, channel;
    char quality = 0;
    std::int64_t start_us = 0; // uncorrected start, microseconds since 1970
    double rate = 0.0;         // from factor and multiplier
    std::vector<std::int32_t> samples;
};

struct LibmseedResult {
    bool ok = false;
    std::string messages; // everything libmseed printed
    std::vector<LibmseedRecord> records;
};

namespace libmseed_check_detail {
inline std::string& log_text() {
    static std::string text;
    return text;
}
inline void capture(char* message) {
    log_text() += message;
}
} // namespace libmseed_check_detail

// Parses `size` bytes as 4096-byte records without blockette 1000 (Steim-1 data).
inline LibmseedResult libmseed_read(const std::uint8_t* bytes, std::size_t size) {
    using namespace libmseed_check_detail;
    LibmseedResult result;
    log_text().clear();
    ms_loginit(capture, nullptr, capture, nullptr);
    MS_UNPACKENCODINGFALLBACK(DE_STEIM1);
    result.ok = size % 4096 == 0;
    std::vector<char> buf(bytes, bytes + size);
    for (std::size_t off = 0; result.ok && off < size; off += 4096) {
        MSRecord* msr = nullptr;
        const int r = msr_parse(buf.data() + off, 4096, &msr, 4096, 1, 0);
        if (r != MS_NOERROR || msr == nullptr || msr->sampletype != 'i' ||
            msr->numsamples != msr->samplecnt) {
            result.ok = false;
            if (msr)
                msr_free(&msr);
            break;
        }
        LibmseedRecord rec;
        rec.sequence_number = msr->sequence_number;
        rec.network = msr->network;
        rec.station = msr->station;
        rec.location = msr->location;
        rec.channel = msr->channel;
        rec.quality = msr->dataquality;
        rec.start_us = msr_starttime_uc(msr);
        rec.rate = msr->samprate;
        const auto* s = static_cast<const std::int32_t*>(msr->datasamples);
        rec.samples.assign(s, s + msr->numsamples);
        result.records.push_back(std::move(rec));
        msr_free(&msr);
    }
    result.messages = log_text();
    if (!result.messages.empty())
        result.ok = false;
    return result;
}

// All samples of the records in order.
inline std::vector<std::int32_t> libmseed_samples(const LibmseedResult& r) {
    std::vector<std::int32_t> all;
    for (const auto& rec : r.records)
        all.insert(all.end(), rec.samples.begin(), rec.samples.end());
    return all;
}

inline LibmseedResult libmseed_read_file(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::uint8_t buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    return libmseed_read(bytes.data(), bytes.size());
}

#endif
