// The plotter from SUDS file to hardcopy: the whole run of "vorlane /P3 /H"
// on the input (database, layout, trace drawing, the .PLX file in the plot
// queue), in a scratch folder. The last input byte picks a few switches so
// that decimation, the record section and fixed scaling are reached too.
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <plotdev/plotdev.h>
#include <suds/suds.h>

#include "fuzz_util.h"
#include "vorlane_run.h"
#include "vorlane_state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_quiet_stdout();
    if (chdir(fuzz_scratch().c_str()) != 0)
        __builtin_trap();
    setenv("SUDS_ETC", fuzz_scratch().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t ini[] = "[VORLANE]\n[2.X_VEXIL]\nHARDCOPY=\n";
    fuzz_write_file("trelkit.ini", ini, sizeof ini - 1);
    fuzz_write_file("trace.suds", data, size);
    const std::uint8_t pick = size > 0 ? data[size - 1] : 0;
    std::vector<std::string> args = {"vorlane", "/P3", "/H"};
    if (pick & 1)
        args.push_back("/X0");
    if (pick & 2)
        args.push_back("/X3");
    if (pick & 4)
        args.push_back("/MF2.5");
    if (pick & 8)
        args.push_back("/T2");
    if (pick & 16)
        args.push_back("/J5");
    if (pick & 32)
        args.push_back("/L30");
    if (pick & 64)
        args.push_back("/B10");
    args.push_back("trace.suds");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    (void)vorlane_main(static_cast<int>(args.size()), argv.data());
    plot_reset();
    suds_reset();
    vorlane_reset();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(fuzz_scratch(), ec))
        std::filesystem::remove_all(entry.path(), ec);
    return 0;
}
