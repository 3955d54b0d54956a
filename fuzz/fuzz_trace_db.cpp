// The plotter's structure walk over a SUDS file: the trace database built
// from every structure, packed and sorted, then dumped to the log.
#include <cstdint>

#include <suds/suds.h>

#include "fuzz_util.h"
#include "trace_db.h"
#include "vorlane_log.h"
#include "vorlane_state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_quiet_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz_write_file("trace.suds", data, size);
    vorlane_reset();
    suds_reset();
    {
        const TraceDatabase db = trace_build_database(path, "", vorlane_state().settings);
        if (!db.records.empty()) {
            vorlane_log_open("/dev/null");
            trace_dump(db);
            vorlane_log_close();
        }
    }
    suds_reset();
    vorlane_reset();
    return 0;
}
