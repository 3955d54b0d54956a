// Steim-1 encoder (packing state machine with step-backs) and decoder.
#include "steim.h"

#include <cstring>

#include "run.h"

namespace {

void put_be32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

std::uint32_t get_be32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// Packing table: (state, class of the difference) -> (next state, step back, slot).
// States 0..4 hold nothing, one 8-bit, one 16-bit, two 8-bit, three 8-bit
// differences; 5, 6, 7 emit a 32-bit word, a 16-bit pair, four bytes.
struct Step {
    std::int8_t next;
    std::int8_t back;
    std::int8_t slot; // -1: the difference is not held
};
constexpr Step kPacking[5][3] = {
    {{1, 0, 0}, {2, 0, 0}, {5, 0, 0}},
    {{3, 0, 1}, {6, 0, 1}, {5, 1, -1}},
    {{6, 0, 1}, {6, 0, 1}, {5, 1, -1}},
    {{4, 0, 2}, {6, 1, -1}, {6, 1, -1}},
    {{7, 0, 3}, {6, 2, -1}, {6, 2, -1}},
};

// Output side of the encoder: frames, words and control words.
struct FrameWriter {
    std::uint8_t* data;     // first frame
    std::uint32_t control = 0;
    int frame = 0;
    int word = 3;           // next data word; frame 0 starts after X0 and Xn
    int encoded = 0;

    // Stores one data word; true when it completed the record.
    bool emit(std::uint32_t value, std::uint32_t code, int samples)
    {
        put_be32(data + frame * 64 + word * 4, value);
        control |= code << (30 - 2 * word);
        encoded += samples;
        if (++word == 16) {
            put_be32(data + frame * 64, control);
            control = 0;
            word = 1;
            if (++frame == STEIM_FRAMES) return true;
        }
        return false;
    }
    bool emit32(std::int32_t d) { return emit(static_cast<std::uint32_t>(d), 3, 1); }
    bool emit16(std::int32_t a, std::int32_t b)
    {
        return emit((static_cast<std::uint32_t>(a) << 16) | (static_cast<std::uint32_t>(b) & 0xFFFFu),
                    2, 2);
    }
    bool emit8(const std::int32_t* s)
    {
        return emit((static_cast<std::uint32_t>(s[0]) << 24) |
                        ((static_cast<std::uint32_t>(s[1]) & 0xFFu) << 16) |
                        ((static_cast<std::uint32_t>(s[2]) & 0xFFu) << 8) |
                        (static_cast<std::uint32_t>(s[3]) & 0xFFu),
                    1, 4);
    }
};

} // namespace

int steim_compress_record(const std::int32_t* samples, int n, std::uint8_t* record)
{
    record[6] = 'D';
    record[7] = ' ';
    record[39] = 0;
    record[44] = 0;
    record[45] = STEIM_DATA_OFFSET;
    record[46] = 0;
    record[47] = 0;
    std::memset(record + STEIM_DATA_OFFSET, 0, MSEED_RECORD_SIZE - STEIM_DATA_OFFSET);
    if (n > STEIM_MAX_INPUT) n = STEIM_MAX_INPUT;

    FrameWriter out{record + STEIM_DATA_OFFSET};
    std::int32_t held[4] = {};
    std::uint32_t previous = 0; // the first difference is the first sample minus 0
    int state = 0;
    bool complete = false;
    for (int i = 0; i < n; ++i) {
        const auto x = static_cast<std::uint32_t>(samples[i]);
        const std::uint32_t d = x - previous; // wraps in 32 bits
        previous = x;
        const int cls = (d + 128u < 256u) ? 0 : (d + 32768u < 65536u) ? 1 : 2;
        const Step step = kPacking[state][cls];
        if (step.slot >= 0) held[step.slot] = static_cast<std::int32_t>(d);
        if (step.back > 0) {
            i -= step.back;
            previous = static_cast<std::uint32_t>(samples[i]);
        }
        state = step.next;
        if (state >= 5) {
            if (state == 5)
                complete = out.emit32(held[0]);
            else if (state == 6)
                complete = out.emit16(held[0], held[1]);
            else
                complete = out.emit8(held);
            if (complete) break;
            state = 0;
        }
    }
    if (!complete) {
        switch (state) {
        case 1:
        case 2: out.emit32(held[0]); break;
        case 3: out.emit16(held[0], held[1]); break;
        case 4:
            if (!out.emit16(held[0], held[1])) out.emit32(held[2]);
            break;
        default: break;
        }
    }
    const int encoded = out.encoded;
    record[30] = static_cast<std::uint8_t>(encoded >> 8);
    record[31] = static_cast<std::uint8_t>(encoded);
    if (encoded > 0) {
        if (out.frame < STEIM_FRAMES) put_be32(out.data + out.frame * 64, out.control);
        put_be32(out.data + 4, static_cast<std::uint32_t>(samples[0]));
        put_be32(out.data + 8, static_cast<std::uint32_t>(samples[encoded - 1]));
    }
    return encoded;
}

int steim_decompress_record(const std::uint8_t* record, std::int32_t* out)
{
    const int n = (record[30] << 8) | record[31];
    const int begin = (record[44] << 8) | record[45];
    if (n == 0) return 0;
    // Frames that lie wholly inside the record.
    const int frames = begin <= MSEED_RECORD_SIZE ? (MSEED_RECORD_SIZE - begin) / 64 : 0;
    std::uint32_t x0 = 0, xn = 0;
    if (frames > 0) {
        x0 = get_be32(record + begin + 4);
        xn = get_be32(record + begin + 8);
    }
    out[0] = static_cast<std::int32_t>(x0);
    std::uint32_t last = x0;
    int remaining = n - 1;
    bool skip_first = true; // X0 stands for the record's first difference
    int k = 1;
    for (int f = 0; f < frames && remaining > 0; ++f) {
        const std::uint8_t* frame = record + begin + f * 64;
        const std::uint32_t control = get_be32(frame);
        for (int w = 1; w < 16 && remaining > 0; ++w) {
            const std::uint32_t code = (control >> (30 - 2 * w)) & 3u;
            const std::uint32_t word = get_be32(frame + w * 4);
            std::int32_t diffs[4];
            int count = 0;
            if (code == 1) {
                for (int b = 0; b < 4; ++b)
                    diffs[b] = static_cast<std::int8_t>(static_cast<std::uint8_t>(word >> (24 - 8 * b)));
                count = 4;
            } else if (code == 2) {
                diffs[0] = static_cast<std::int16_t>(static_cast<std::uint16_t>(word >> 16));
                diffs[1] = static_cast<std::int16_t>(static_cast<std::uint16_t>(word));
                count = 2;
            } else if (code == 3) {
                diffs[0] = static_cast<std::int32_t>(word);
                count = 1;
            }
            for (int j = 0; j < count && remaining > 0; ++j) {
                if (skip_first) {
                    skip_first = false;
                    continue;
                }
                last += static_cast<std::uint32_t>(diffs[j]);
                out[k++] = static_cast<std::int32_t>(last);
                --remaining;
            }
        }
    }
    if (remaining > 0)
        report("WARNING: partial decompression of sample data, n_samp = %d\n", remaining);
    if (last != xn)
        report("WARNING: unreconciled reverse integrating constant: %ld, sum: %ld\n",
               static_cast<long>(static_cast<std::int32_t>(xn)),
               static_cast<long>(static_cast<std::int32_t>(last)));
    return n;
}
