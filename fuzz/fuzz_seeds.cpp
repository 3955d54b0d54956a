// fuzz_seeds DIR: writes the seed inputs of the coder and .PLX targets into
// DIR/canadian, DIR/steim and DIR/plx, made with our own encoders so that the
// fuzzers start from valid blocks, records and plot files.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <plotdev/plx.h>

#include "canadian.h"
#include "steim.h"

namespace {

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Samples of a few shapes: steps small and large, and 32-bit extremes.
std::vector<std::int32_t> signal(int kind, int n) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(n));
    std::uint32_t r = 12345u + static_cast<std::uint32_t>(kind);
    for (int i = 0; i < n; ++i) {
        r = r * 1103515245u + 12345u;
        switch (kind) {
        case 0:
            s[i] = static_cast<std::int32_t>(i);
            break;
        case 1:
            s[i] = static_cast<std::int32_t>(r >> 24) - 128;
            break;
        case 2:
            s[i] = static_cast<std::int32_t>(r >> 12) - (1 << 19);
            break;
        default:
            s[i] = (i & 1) ? INT32_MAX : INT32_MIN;
            break;
        }
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: fuzz_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    for (int kind = 0; kind < 4; ++kind) {
        // Canadian: two selector bytes (n = 20 * (sel % 400 + 1)), then the block.
        for (int groups : {1, 3, 10}) {
            const int n = 20 * groups;
            std::vector<std::int32_t> s = signal(kind, n + 1);
            std::vector<std::uint8_t> block(canadian_max_block_size(n));
            long length = 0;
            if (canadian_compress(block.data(), s.data(), &length, n, s[n]) != CANADIAN_OK)
                return 1;
            const unsigned sel = static_cast<unsigned>(groups - 1);
            std::vector<std::uint8_t> seed = {static_cast<std::uint8_t>(sel & 0xFF),
                                              static_cast<std::uint8_t>(sel >> 8)};
            seed.insert(seed.end(), block.begin(), block.begin() + length);
            ok &= write_file(dir + "/canadian/k" + std::to_string(kind) + "_" + std::to_string(n),
                             seed);
        }
        // Steim-1: one full record of each shape.
        std::vector<std::int32_t> s = signal(kind, STEIM_MAX_INPUT);
        std::vector<std::uint8_t> record(MSEED_RECORD_SIZE, 0);
        steim_compress_record(s.data(), STEIM_MAX_INPUT, record.data());
        ok &= write_file(dir + "/steim/k" + std::to_string(kind), record);
    }
    // .PLX: a window, colours and line styles, pen moves and draws, the end.
    std::vector<std::uint8_t> plx;
    auto add = [&plx](const std::vector<std::uint8_t>& b) {
        plx.insert(plx.end(), b.begin(), b.end());
    };
    add(plx_encode_window(0.0f, 0.0f, 11.0f, 8.5f));
    add(plx_encode_color(1));
    add(plx_encode_line_style(2));
    for (int16_t code : {3, 2, -2, -3, 12, 13, -12, -13})
        add(plx_encode_pen(code, 0.5f * code, 1.25f));
    ok &= write_file(dir + "/plx/nonend", plx);
    add(plx_encode_end());
    ok &= write_file(dir + "/plx/sheet", plx);
    return ok ? 0 : 1;
}
