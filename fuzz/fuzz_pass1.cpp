// The recorder file reader: the whole of pass 1 over the input, into SUDS
// work files in a scratch folder, verbose so that every report path runs.
#include <cstdint>
#include <filesystem>

#include "driver.h"
#include "fuzz_util.h"
#include "run.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_quiet_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz_write_file("rec.cd11", data, size);
    const std::string work = fuzz_scratch() + "/rec.suds";
    run_reset();
    suds_reset();
    g_run.verbose = size > 0 && (data[size - 1] & 1);
    g_run.suds = true;
    g_run.input_name = input;
    g_run.work_name = work;
    g_run.output_name = work;
    (void)pass1(input, work);
    suds_reset();
    run_reset();
    // Work files of every location; the next input starts from an empty folder.
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(fuzz_scratch(), ec))
        std::filesystem::remove_all(entry.path(), ec);
    return 0;
}
