// canadian_decompress on any block: the first two bytes choose the sample
// count (a multiple of 20 most of the time, any value otherwise), the rest is
// the block, read with its exact length as the byte limit.
#include <cstdint>
#include <cstring>
#include <vector>

#include "canadian.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const unsigned sel = data[0] | (data[1] << 8);
    long n =
        (sel & 0x8000) ? static_cast<long>(sel & 0x7FFF) - 100 : 20L * ((sel & 0x7FFF) % 400 + 1);
    // The block in a buffer of its own size, so that any read past it is caught.
    std::vector<std::uint8_t> block(data + 2, data + size);
    std::vector<std::int32_t> samples(n > 0 ? static_cast<std::size_t>(n) : 1);
    std::int32_t next = 0;
    const int rc = canadian_decompress(block.data(), samples.data(),
                                       static_cast<long>(block.size()), n, &next);
    if (rc == CANADIAN_OK && n > 0) {
        // Whatever decoded must encode and decode back to the same samples.
        std::vector<std::int32_t> work(samples);
        std::vector<std::uint8_t> again(canadian_max_block_size(n));
        long length = 0;
        if (canadian_compress(again.data(), work.data(), &length, n, next) != CANADIAN_OK)
            __builtin_trap();
        std::vector<std::int32_t> back(static_cast<std::size_t>(n));
        std::int32_t next_back = 0;
        if (canadian_decompress(again.data(), back.data(), length, n, &next_back) != CANADIAN_OK)
            __builtin_trap();
        if (back != samples || next_back != next)
            __builtin_trap();
    }
    return 0;
}
