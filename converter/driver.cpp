#include "driver.h"

#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"
#include "recorder.h"
#include "run.h"
#include "staging.h"
#include "talvex_version.h"
#include "writers.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include <suds/suds.h>

bool is_switch(const char* arg) {
    return platform::is_switch_argument(arg);
}

void parse_arguments(int argc, const char* const* argv) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (is_switch(arg)) {
            switch (std::tolower(static_cast<unsigned char>(arg[1]))) {
            case 'a':
                g_run.asc = true;
                break;
            case 'c':
                g_run.casc = true;
                break;
            case 's':
                g_run.suds = true;
                break;
            case 'v':
                g_run.verbose = true;
                break;
            default:
                std::fprintf(stderr, "WARNING: Unrecognized command line switch: %s\n", arg);
                break;
            }
        } else if (files == 0) {
            g_run.input_name = platform::absolute_path(arg);
            ++files;
        } else if (files == 1) {
            g_run.output_name = platform::absolute_path(arg);
            ++files;
        } else {
            std::fprintf(stderr, "WARNING: Unrecognized command line argument: %s\n", arg);
        }
    }
    // With both ASCII switches the one-file form wins everywhere.
    if (g_run.asc)
        g_run.casc = false;
}

const char* format_extension() {
    if (g_run.suds)
        return ".suds";
    if (g_run.asc || g_run.casc)
        return ".asc";
    return ".msed";
}

void derive_names() {
    if (g_run.output_name.empty())
        g_run.output_name = platform::replace_extension(g_run.input_name, format_extension());
    g_run.work_name =
        g_run.suds ? g_run.output_name : platform::replace_extension(g_run.output_name, ".suds");
    g_run.info_name =
        g_run.verbose ? platform::replace_extension(g_run.output_name, ".wtx") : std::string();
}

bool check_names() {
    struct Written {
        const std::string* name;
        const char* what;
    };
    Written written[3];
    int count = 0;
    written[count++] = {&g_run.work_name, "SUDS work file"};
    if (!g_run.suds && !g_run.casc)
        written[count++] = {&g_run.output_name, "output file"};
    if (g_run.verbose)
        written[count++] = {&g_run.info_name, "information file"};
    for (int i = 0; i < count; ++i) {
        if (platform::same_file(*written[i].name, g_run.input_name)) {
            report("\nERROR: The %s would overwrite the input file: %s\n", written[i].what,
                   g_run.input_name.c_str());
            return false;
        }
        for (int j = 0; j < i; ++j) {
            if (platform::same_file(*written[i].name, *written[j].name)) {
                report("\nERROR: The %s and the %s have the same name: %s\n", written[j].what,
                       written[i].what, written[i].name->c_str());
                if (written[i].name == &g_run.output_name && written[j].name == &g_run.work_name)
                    report("       Use -suds for SUDS output, or another output name.\n");
                return false;
            }
        }
    }
    return true;
}

bool pass1(const std::string& input_name, const std::string& work_name) {
    RecorderRunOptions options;
    options.verbose = g_run.verbose;
    options.suds = g_run.suds;
    RecorderRunResult result;
    const bool ok = recorder_read(input_name, work_name, options, g_run.progress, &result);
    g_run.location_split = result.location_split;
    g_run.work_files = std::move(result.work_files);
    g_run.bit_weights = std::move(result.bit_weights);
    if (!ok)
        return false;
    // Complete SUDS output moves into place; a failed run left any earlier file as it was.
    if (g_run.suds) {
        for (const auto& name : g_run.work_files) {
            if (!staging_commit(name))
                return false;
        }
    }
    if (g_run.verbose && !g_run.location_split && g_run.suds && !g_run.work_files.empty())
        report("Output file: %s\n\n", work_name.c_str());
    return true;
}

WriterContext writer_context() {
    WriterContext ctx;
    ctx.format = g_run.asc    ? OutputFormat::Ascii
                 : g_run.casc ? OutputFormat::AsciiPerChannel
                              : OutputFormat::MiniSeed;
    ctx.verbose = g_run.verbose;
    ctx.input_name = g_run.input_name;
    ctx.bit_weights = g_run.bit_weights;
    ctx.progress = &g_run.progress;
    return ctx;
}

bool pass2(const std::string& work_name, std::FILE* out, WriterContext& ctx) {
    const int fd = suds_open(work_name.c_str(), SUDS_MODE_READ);
    if (fd != 1) {
        if (fd > 0) {
            suds_close(fd);
            suds_set_error_text("ERROR: SUDS descriptor 1 is not free");
        }
        report("\n%s\n", suds_error_text());
        return false;
    }
    ChannelIndex index;
    const int entries = channel_index_build(fd, &index);
    if (entries <= 0) {
        report("\nWARNING: input file contains no usable data: %s\n", work_name.c_str());
        suds_close(fd);
        return true;
    }
    // The samples are taken straight from the file's bytes; the SUDS
    // descriptor reads the structures (and any samples the map cannot give).
    platform::MappedFile work;
    work.set_window(4LL << 20); // read forward only: little of the file need stay resident
    ctx.work = work.open(work_name) ? &work : nullptr;
    // Mini-SEED records of the next channel are made beside the writer.
    MseedAheadPtr ahead =
        ctx.format == OutputFormat::MiniSeed ? mseed_ahead_open(work_name) : nullptr;
    ctx.ahead = ahead.get();
    ctx.index = &index;
    bool ok = true;
    for (std::size_t i = 0; i < index.size(); ++i) {
        ctx.index_at = i;
        mseed_look_ahead(ctx.ahead, fd, index, i);
        if (write_channel(fd, index[i], out, ctx) != 1) {
            ok = false;
            break;
        }
    }
    ahead.reset();
    ctx.ahead = nullptr;
    ctx.index = nullptr;
    ctx.work = nullptr;
    suds_close(fd);
    return ok;
}

bool convert_work_file(const std::string& work, WriterContext& ctx) {
    g_run.current_output = g_run.location_split
                               ? platform::replace_extension(work, format_extension())
                               : g_run.output_name;
    const std::string& out_name = g_run.current_output;
    ctx.current_output = out_name;
    if (g_run.verbose && !g_run.casc)
        report("Output file: %s\n", out_name.c_str());
    if (!platform::file_exists(work)) {
        report("\nERROR: input file does not exist: %s\n", work.c_str());
        return false;
    }
    if (!platform::is_readable(work)) {
        report("\nERROR: read permission denied: %s\n", work.c_str());
        return false;
    }
    platform::FileHandle out;
    if (!g_run.casc) {
        if (platform::same_file(out_name, g_run.input_name)) {
            report("\nERROR: The output file would overwrite the input file: %s\n",
                   out_name.c_str());
            return false;
        }
        // Written beside its final name and moved into place when complete, so
        // a failed pass 2 leaves an earlier output of the same name untouched.
        out = staging_begin(out_name);
        if (!out)
            return false;
    }
    if (!pass2(work, out.get(), ctx)) {
        if (out)
            staging_abandon(out, out_name);
        return false;
    }
    if (out && !staging_finish(out, out_name))
        return false;
    std::string error;
    platform::delete_file(work, error);
    return true;
}

namespace {

const char* const kHelp =
    "Usage: talvex InputFile (OutputFile) (-verbose) (-suds) (-asc) (-casc)\n"
    "Converts a recorder CD1.1 file into Mini-SEED (Steim-1, the default), SUDS or ASCII.\n"
    "  -verbose   report the recording and each channel; copy the report to OutputFile.wtx\n"
    "  -suds      write the SUDS file only\n"
    "  -asc       ASCII: every channel into one file\n"
    "  -casc      ASCII: one file per channel, named OutputFile_CHN.asc\n"
    "  --help     this text;  --version  the tool set's version\n"
    "The output is named after the input file when not given. Switches may also\n"
    "begin with \"/\" and are recognised by their first letter.\n"
    "TALVEX_PROGRESS_FD=n makes talvex write \"progress PASS PASSES DONE TOTAL\" lines\n"
    "to open descriptor n; without it, a terminal on standard error shows the progress.\n";

int run_steps(int argc, const char* const* argv) {
    // Asked for help or the version: that and nothing else, no file touched.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("talvex %s\n", TALVEX_TOOLSET_VERSION);
            return 0;
        }
    }
    report("\nTALVEX recorder tools\n");
    report("CD1.1 to MiniSEED/SUDS/ASCII data file conversion, Version %s\n", kTalvexVersion);
    if (argc < 2 || argv[1][0] == '?' || (argv[1][0] != '\0' && argv[1][1] == '?')) {
        report("\nUsage: TALVEX InputFile (OutputFile) (-verbose) (-suds) (-asc) (-casc)\n\n");
        return 1;
    }
    parse_arguments(argc, argv);
    if (g_run.input_name.empty()) {
        // No file to name the outputs after: nothing is created.
        report("ERROR: Unable to open: %s\n", "");
        return 1;
    }
    derive_names();
    if (!check_names())
        return 1;
    if (g_run.verbose) {
        if (run_open_info())
            report_info_only("\nCD1.1 to MiniSEED/SUDS/ASCII data file conversion, Version %s\n",
                             kTalvexVersion);
        report("Input file : %s\n", g_run.input_name.c_str());
    }
    g_run.progress.open(g_run.suds ? 1 : 2);
    if (!pass1(g_run.input_name, g_run.work_name))
        return 1;
    if (g_run.suds)
        return 0;
    // Pass 2 counts the bytes of the work files it has gone through.
    std::int64_t total = 0;
    for (const auto& work : g_run.work_files)
        total += std::max<std::int64_t>(0, platform::file_length(work));
    g_run.progress.start(2, total);
    std::int64_t base = 0;
    WriterContext ctx = writer_context();
    for (const auto& work : g_run.work_files) {
        g_run.progress.set_base(base);
        base += std::max<std::int64_t>(0, platform::file_length(work));
        if (!convert_work_file(work, ctx))
            return 1;
        g_run.progress.update(base);
    }
    g_run.progress.finish();
    return 0;
}

} // namespace

int driver_run(int argc, const char* const* argv) {
    const int code = run_steps(argc, argv);
    g_run.progress.hide();
    run_close_info();
    std::fflush(stdout);
    return code;
}
