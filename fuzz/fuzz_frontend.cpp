// The front end's readers: the converter's information file (its
// "Output file:" lines and the causes of a failure), its progress lines,
// and the channel listing of the info view, put in display order and
// expanded for the window.
#include <cstdint>
#include <string>
#include <vector>

#include "actions.h"
#include "fuzz_util.h"
#include "info_view.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz_write_file("rec.wtx", data, size);
    std::vector<std::string> outputs;
    if (!fenwold::read_information_file(path, outputs))
        __builtin_trap();

    std::vector<std::string> lines;
    if (!fenwold::info_read_listing(path, lines))
        __builtin_trap();
    for (const std::string& line : lines)
        if (line.size() > fenwold::kInfoLineMax)
            __builtin_trap();
    (void)fenwold::info_has_vertical(lines);
    fenwold::info_order(lines);
    for (const std::string& line : lines)
        (void)fenwold::info_expand_tabs(line);

    const std::string text(reinterpret_cast<const char*>(data), size);
    fenwold::ProgressReader progress;
    progress.feed(text.substr(0, size / 2));
    progress.feed(text.substr(size / 2));
    const fenwold::ChildProgress& p = progress.last();
    if (p.pass != 0 && (p.pass > p.passes || p.total <= 0 || p.done < 0 || p.done > p.total))
        __builtin_trap();
    fenwold::ChildOutcome run;
    run.end = fenwold::ChildEnd::finished;
    run.error_output = text;
    (void)fenwold::converter_cause(path, run);
    return 0;
}
