// Steim-1 encoder (the packing state machine with its step-backs, applied a
// data word at a time) and decoder.
#include "steim.h"

#include <cstring>

#include "byte_order.h"
#include "run.h"

namespace {

// Packing table: (state, class of the difference) -> (next state, step back, slot).
// States 0..4 hold nothing, one 8-bit, one 16-bit, two 8-bit, three 8-bit
// differences; 5, 6, 7 emit a 32-bit word, a 16-bit pair, four bytes.
struct Step {
    std::int8_t next;
    std::int8_t back;
    std::int8_t slot; // -1: the difference is not held
};
constexpr Step kPacking[5][3] = {
    {{1, 0, 0}, {2, 0, 0}, {5, 0, 0}},   {{3, 0, 1}, {6, 0, 1}, {5, 1, -1}},
    {{6, 0, 1}, {6, 0, 1}, {5, 1, -1}},  {{4, 0, 2}, {6, 1, -1}, {6, 1, -1}},
    {{7, 0, 3}, {6, 2, -1}, {6, 2, -1}},
};

// The packing table applied to the classes of the next (up to) four
// differences gives the data word that the machine emits there: its code and
// the number of differences it carries. Step-backs re-encode the very same
// differences (previous = the sample before), so the machine is a function of
// the class pattern; class 3 below stands for "no further sample", where the
// end-of-samples rule applies. Derived at compile time from kPacking.
struct WordRule {
    std::uint8_t code;  // 1 four 8-bit, 2 two 16-bit, 3 one 32-bit difference
    std::uint8_t count; // differences (samples) the word carries
};

constexpr WordRule rule_for(unsigned key) {
    int state = 0;
    for (int j = 0; j < 4; ++j) {
        const unsigned cls = (key >> (2 * j)) & 3u;
        if (cls == 3) {
            switch (state) {
            case 1:
            case 2:
                return {3, 1};
            case 3:
            case 4:
                return {2, 2}; // state 4: the third held one starts the next word
            default:
                return {0, 0};
            }
        }
        state = kPacking[state][cls].next;
        if (state == 5)
            return {3, 1};
        if (state == 6)
            return {2, 2};
        if (state == 7)
            return {1, 4};
    }
    return {0, 0}; // unreachable: state 4 emits on any class
}

struct WordRules {
    WordRule r[256];
    constexpr WordRules() : r{} {
        for (unsigned k = 0; k < 256; ++k)
            r[k] = rule_for(k);
    }
};
constexpr WordRules kWordRules;

} // namespace

int steim_compress_record(const std::int32_t* samples, int n, std::uint8_t* record) {
    record[6] = 'D';
    record[7] = ' ';
    record[39] = 0;
    record[44] = 0;
    record[45] = STEIM_DATA_OFFSET;
    record[46] = 0;
    record[47] = 0;
    std::memset(record + STEIM_DATA_OFFSET, 0, MSEED_RECORD_SIZE - STEIM_DATA_OFFSET);
    if (n > STEIM_MAX_INPUT)
        n = STEIM_MAX_INPUT;
    if (n < 0)
        n = 0;

    // Differences (the first from 0), wrapping in 32 bits, and their classes:
    // 0 fits 8 bits, 1 fits 16 bits, 2 needs 32; 3 past the last sample.
    // Worked out a stretch at a time ahead of the words that use them, since a
    // record may take as few as 943 of the samples.
    std::uint32_t d[STEIM_MAX_INPUT + 4];
    std::uint8_t cls[STEIM_MAX_INPUT + 8];
    std::uint8_t key[STEIM_MAX_INPUT + 4]; // class pattern of the four differences from here
    const auto* x = reinterpret_cast<const std::uint32_t*>(samples);
    int ready = 0; // d, cls and key hold entries [0, ready)
    auto prepare = [&](int upto) {
        const int end = upto < n ? upto : n;
        // Differences and classes reach three past the stretch: its last words look ahead.
        const int ahead = end + 3 < n ? end + 3 : n;
        int from = ready;
        if (from == 0) {
            d[0] = x[0];
            from = 1;
        }
        for (int k = from; k < ahead; ++k)
            d[k] = x[k] - x[k - 1];
        for (int k = ready; k < ahead; ++k) {
            const std::uint32_t v = d[k];
            cls[k] = static_cast<std::uint8_t>(2 - (v + 128u < 256u) - (v + 32768u < 65536u));
        }
        for (int k = ahead; k < end + 3; ++k) {
            d[k] = 0;
            cls[k] = 3;
        }
        for (int k = ready; k < end; ++k)
            key[k] = static_cast<std::uint8_t>(cls[k] | (cls[k + 1] << 2) | (cls[k + 2] << 4) |
                                               (cls[k + 3] << 6));
        ready = end;
    };

    std::uint8_t* data = record + STEIM_DATA_OFFSET;
    std::uint8_t* frame = data;
    std::uint32_t control = 0;
    int word = 3; // frame 0: words 1 and 2 hold X0 and Xn
    int frames_done = 0;
    int i = 0;
    while (i < n) {
        if (i >= ready)
            prepare(i + 512);
        // A branch on the word's kind rather than a jump by a loaded count: on
        // steady signals the branch is predicted and the walk need not wait for
        // the lookup.
        const WordRule rule = kWordRules.r[key[i]];
        std::uint32_t value;
        if (rule.count == 4) {
            value = (d[i] << 24) | ((d[i + 1] & 0xFFu) << 16) | ((d[i + 2] & 0xFFu) << 8) |
                    (d[i + 3] & 0xFFu);
            control |= 1u << (30 - 2 * word);
            i += 4;
        } else if (rule.count == 2) {
            value = (d[i] << 16) | (d[i + 1] & 0xFFFFu);
            control |= 2u << (30 - 2 * word);
            i += 2;
        } else {
            value = d[i];
            control |= 3u << (30 - 2 * word);
            i += 1;
        }
        put_be_u32(frame + 4 * word, value);
        if (++word == 16) {
            put_be_u32(frame, control);
            control = 0;
            word = 1;
            frame += 64;
            if (++frames_done == STEIM_FRAMES)
                break; // the record is full
        }
    }
    const int encoded = i;
    record[30] = static_cast<std::uint8_t>(encoded >> 8);
    record[31] = static_cast<std::uint8_t>(encoded);
    if (encoded > 0) {
        if (frames_done < STEIM_FRAMES)
            put_be_u32(frame, control);
        put_be_u32(data + 4, static_cast<std::uint32_t>(samples[0]));
        put_be_u32(data + 8, static_cast<std::uint32_t>(samples[encoded - 1]));
    }
    return encoded;
}

int steim_decompress_record(const std::uint8_t* record, std::int32_t* out) {
    const int n = (record[30] << 8) | record[31];
    const int begin = (record[44] << 8) | record[45];
    if (n == 0)
        return 0;
    // Frames that lie wholly inside the record.
    const int frames = begin <= MSEED_RECORD_SIZE ? (MSEED_RECORD_SIZE - begin) / 64 : 0;
    std::uint32_t x0 = 0, xn = 0;
    if (frames > 0) {
        x0 = get_be_u32(record + begin + 4);
        xn = get_be_u32(record + begin + 8);
    }
    out[0] = static_cast<std::int32_t>(x0);
    std::uint32_t last = x0;
    int remaining = n - 1;
    bool skip_first = true; // X0 stands for the record's first difference
    int k = 1;
    for (int f = 0; f < frames && remaining > 0; ++f) {
        const std::uint8_t* frame = record + begin + f * 64;
        const std::uint32_t control = get_be_u32(frame);
        for (int w = 1; w < 16 && remaining > 0; ++w) {
            const std::uint32_t code = (control >> (30 - 2 * w)) & 3u;
            const std::uint32_t word = get_be_u32(frame + w * 4);
            std::int32_t diffs[4];
            int count = 0;
            if (code == 1) {
                for (int b = 0; b < 4; ++b)
                    diffs[b] =
                        static_cast<std::int8_t>(static_cast<std::uint8_t>(word >> (24 - 8 * b)));
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
