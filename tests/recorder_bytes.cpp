#include "recorder_bytes.h"

#include <cstring>
#include <ctime>

#include "canadian.h"

namespace {

void put_i32(std::string& b, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        b += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}

void put_f32(std::string& b, float f) {
    std::int32_t v;
    std::memcpy(&v, &f, 4);
    put_i32(b, v);
}

void put_text(std::string& b, const std::string& text, std::size_t width) {
    std::string t = text.substr(0, width);
    t.resize(width, ' ');
    b += t;
}

void pad4(std::string& b, std::size_t from) {
    while ((b.size() - from) % 4)
        b += '\0';
}

// "yyyyddd hh:mm:ss.ttt" of ms since 1970.
std::string time_text(std::int64_t ms) {
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%03d %02d:%02d:%02d.%03d", tm.tm_year + 1900,
                  tm.tm_yday + 1, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
    return text;
}

std::int32_t sample(const Recording& rec, int channel, long i) {
    switch (rec.signal) {
    case Signal::Ramp:
        return static_cast<std::int32_t>((i * 7 + channel * 100) % rec.amplitude);
    case Signal::Walk: {
        std::uint32_t r = static_cast<std::uint32_t>(i * 2654435761u + channel * 97u);
        r ^= r >> 13;
        return static_cast<std::int32_t>(r % static_cast<std::uint32_t>(2 * rec.amplitude + 1)) -
               rec.amplitude;
    }
    default:
        return (i % 2) ? INT32_MAX - static_cast<std::int32_t>(i)
                       : INT32_MIN + static_cast<std::int32_t>(i);
    }
}

} // namespace

std::string recorder_bytes(const Recording& rec) {
    const int n_ch = static_cast<int>(rec.channels.size());
    const int declared = rec.declared_channels < 0 ? n_ch : rec.declared_channels;
    std::string b;
    put_i32(b, rec.frame_type);
    put_i32(b, 0); // trailer offset
    put_text(b, rec.channels.empty() ? "TALV1" : rec.channels[0].site, 8);
    put_text(b, rec.recording_type, 8);
    put_i32(b, 0);
    put_i32(b, 0);
    put_i32(b, 0);
    put_i32(b, declared);
    put_i32(b, rec.subframe_ms);
    put_text(b, time_text(rec.start_ms), 20);
    put_i32(b, 10 * declared);
    for (int c = 0; c < declared && c < n_ch; ++c) {
        put_text(b, rec.channels[c].site, 5);
        put_text(b, rec.channels[c].name, 3);
        put_text(b, rec.channels[c].location, 2);
    }
    for (int i = 0; i < (10 * declared) % 4; ++i)
        b += '\0';

    for (int g = 0; g < rec.subframes; ++g) {
        for (int c = 0; c < n_ch; ++c) {
            const RecChannel& ch = rec.channels[c];
            const long first = static_cast<long>(g) * rec.samples;
            std::vector<std::int32_t> s(static_cast<std::size_t>(rec.samples) + 1);
            for (long i = 0; i <= rec.samples; ++i)
                s[static_cast<std::size_t>(i)] = sample(rec, c, first + i);
            std::string data;
            if (ch.compressed) {
                std::vector<std::uint8_t> block(canadian_max_block_size(rec.samples));
                long length = 0;
                canadian_compress(block.data(), s.data(), &length, rec.samples, s[rec.samples]);
                data.assign(reinterpret_cast<const char*>(block.data()),
                            static_cast<std::size_t>(length));
            } else {
                for (long i = 0; i < rec.samples; ++i)
                    put_i32(data, s[static_cast<std::size_t>(i)]);
            }
            std::string sf;
            put_i32(sf, 0); // channel length, set below
            put_i32(sf, 0);
            sf += static_cast<char>(rec.auth_size > 0 ? 1 : 0);
            sf += static_cast<char>(ch.compressed ? 1 : 0);
            sf += '\0'; // seismic
            sf += '\0'; // option flag
            put_text(sf, ch.site, 5);
            put_text(sf, ch.name, 3);
            put_text(sf, ch.location, 2);
            put_text(sf, "s4", 2);
            put_f32(sf, 0.0f);
            put_f32(sf, 0.0f);
            put_text(sf, time_text(rec.start_ms + static_cast<std::int64_t>(g) * rec.subframe_ms),
                     20);
            put_i32(sf, rec.subframe_ms);
            put_i32(sf, rec.samples);
            put_i32(sf, rec.status_size);
            std::string status(static_cast<std::size_t>(rec.status_size > 0 ? rec.status_size : 0),
                               '\0');
            if (rec.status_size >= 48) {
                std::string floats;
                put_f32(floats, 46.5f);
                put_f32(floats, 7.5f);
                put_f32(floats, 541.0f);
                put_f32(floats, rec.bit_weight);
                status.replace(32, 16, floats);
            }
            sf += status;
            put_i32(sf, static_cast<std::int32_t>(data.size()) +
                            (ch.compressed ? 0 : rec.data_size_delta));
            const std::size_t data_at = sf.size();
            sf += data;
            pad4(sf, data_at);
            put_i32(sf, 0); // subframe count
            put_i32(sf, 0); // key identifier
            put_i32(sf, rec.auth_size);
            const std::size_t auth_at = sf.size();
            sf += std::string(static_cast<std::size_t>(rec.auth_size), 'a');
            pad4(sf, auth_at);
            const std::int32_t len = static_cast<std::int32_t>(sf.size() - 4);
            for (int i = 0; i < 4; ++i)
                sf[static_cast<std::size_t>(i)] = static_cast<char>((len >> (8 * i)) & 0xFF);
            b += sf;
        }
    }
    return b;
}
