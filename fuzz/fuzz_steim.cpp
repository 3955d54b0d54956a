// steim_decompress_record on any 4096-byte record (shorter inputs are padded
// with zeros), and the encoder as the decoder's oracle on the samples.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_util.h"
#include "steim.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_quiet_stdout(); // the decoder's warnings are report messages
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> record(MSEED_RECORD_SIZE, 0);
    std::memcpy(record.data(), data, size < record.size() ? size : record.size());
    const unsigned count = (record[30] << 8) | record[31];
    std::vector<std::int32_t> out(count ? count : 1);
    const int n = steim_decompress_record(record.data(), out.data());
    if (n != static_cast<int>(count))
        __builtin_trap();

    // Encoding the decoded samples and decoding them again loses nothing.
    if (n > 0) {
        const int take = n < STEIM_MAX_INPUT ? n : STEIM_MAX_INPUT;
        std::vector<std::uint8_t> again(MSEED_RECORD_SIZE, 0);
        const int done = steim_compress_record(out.data(), take, again.data());
        if (done < 1 || done > take)
            __builtin_trap();
        std::vector<std::int32_t> back(static_cast<std::size_t>(done));
        if (steim_decompress_record(again.data(), back.data()) != done)
            __builtin_trap();
        if (std::memcmp(back.data(), out.data(), sizeof(std::int32_t) * done) != 0)
            __builtin_trap();
    }
    return 0;
}
