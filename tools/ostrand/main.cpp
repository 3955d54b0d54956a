// ostrand: lists the channels of a SUDS file, one line per channel.
//   ostrand /l FILE   writes the listing to FILE with the extension ".info"
//   ostrand FILE      writes it to standard output
//   ostrand --help | --version
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "listing.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/paths.h"
#include "talvex_version.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

bool is_switch(const char* arg) {
    return platform::is_switch_argument(arg);
}

void remove_listing(const std::string& listing) {
    std::remove(listing.c_str());
}

} // namespace

constexpr const char* kUsage =
    "Usage: ostrand /l SUDSfile   write the channel listing to SUDSfile.info\n"
    "       ostrand SUDSfile      write it to standard output\n"
    "       ostrand --help | --version\n"
    "One line per channel: network, station, component, begin date and time,\n"
    "length (s), rate (sps), sensor, motion and units. See ostrand(1).\n";

int main(int argc, char** argv) {
    // Names outside ASCII are written as UTF-8: the console is to show them so.
    platform::console_output_utf8();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("ostrand %s\n", TALVEX_TOOLSET_VERSION);
            return 0;
        }
    }
    bool to_file = false;
    std::string input;
    for (int i = 1; i < argc; ++i) {
        if (is_switch(argv[i])) {
            char letter = argv[i][1];
            if (letter == 'l' || letter == 'L') {
                to_file = true;
            } else {
                std::fprintf(stderr, "WARNING: Unrecognized command line switch: %s\n", argv[i]);
            }
        } else if (input.empty()) {
            input = argv[i];
        } else {
            std::fprintf(stderr, "WARNING: Unrecognized command line argument: %s\n", argv[i]);
        }
    }
    if (input.empty()) {
        std::fprintf(stderr, "\nUsage: ostrand /l SUDSfile\n\n");
        return 1;
    }

    const std::string listing = platform::replace_extension(input, ".info");
    if (to_file && platform::same_file(listing, input)) {
        std::fprintf(stderr, "\nERROR: the listing would replace the SUDS file itself: %s\n",
                     input.c_str());
        return 1;
    }
    std::vector<std::string> lines;
    std::string error;
    if (!ostrand_list(input, lines, error)) {
        std::fprintf(stderr, "\n%s\n", error.c_str());
        // An old listing must not pass for one of this file.
        if (to_file)
            remove_listing(listing);
        return 1;
    }
    if (lines.empty()) {
        std::fprintf(stderr, "\nWARNING: no waveform found in: %s\n", input.c_str());
    }

    if (!to_file) {
        for (const auto& l : lines)
            std::printf("%s\n", l.c_str());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::unique_ptr<FILE, FileCloser> out(std::fopen(listing.c_str(), "w"));
    if (!out) {
        std::fprintf(stderr, "\nERROR: unable to open listing file: %s\n       %s\n",
                     listing.c_str(), std::strerror(errno));
        return 1;
    }
    bool ok = true;
    for (const auto& l : lines)
        ok = ok && std::fprintf(out.get(), "%s\n", l.c_str()) >= 0;
    ok = std::fflush(out.get()) == 0 && ok;
    if (std::fclose(out.release()) != 0)
        ok = false;
    if (!ok) {
        std::fprintf(stderr, "\nERROR: unable to write listing file: %s\n", listing.c_str());
        remove_listing(listing);
        return 1;
    }
    return 0;
}
