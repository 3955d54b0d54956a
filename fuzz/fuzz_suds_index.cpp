// The converter's structure walk over a SUDS file: suds_open and the channel
// index of pass 2, then every indexed channel written as Mini-SEED and ASCII
// to /dev/null, as pass 2 does.
#include <cstdint>
#include <cstdio>

#include "channel_index.h"
#include "driver.h"
#include "fuzz_util.h"
#include "run.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_quiet_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz_write_file("work.suds", data, size);
    run_reset();
    suds_reset();
    // Alternate between the index alone and the whole of pass 2.
    if (size > 0 && (data[0] & 1)) {
        const int fd = suds_open(path.c_str(), 1);
        if (fd > 0) {
            ChannelIndex index;
            (void)channel_index_build(fd, &index);
            suds_close(fd);
        }
    } else {
        g_run.asc = size > 1 && (data[1] & 1);
        std::FILE* out = std::fopen("/dev/null", "wb");
        if (!out)
            __builtin_trap();
        WriterContext ctx = writer_context();
        (void)pass2(path, out, ctx);
        std::fclose(out);
    }
    suds_reset();
    run_reset();
    return 0;
}
