#include "actions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"

namespace fenwold {

namespace {

namespace fs = std::filesystem;

std::string program(const Frontend& fe, const char* name) {
    return join_path(fe.program_folder, std::string(name) + platform::kProgramSuffix);
}

bool exists(const std::string& path) {
    return !path.empty() && platform::file_exists(path);
}

// The converter's information file beside the working copy. An old one is
// removed before each run (run_converter), so that a run that writes none
// is not judged by the report of an earlier one.
std::string information_file(const Frontend& fe) {
    return platform::replace_extension(fe.working_copy, ".wtx");
}

bool same_name(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void remove_quietly(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

std::string trim(const std::string& text) {
    size_t b = text.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return std::string();
    size_t e = text.find_last_not_of(" \t\r\n");
    return text.substr(b, e - b + 1);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at <= text.size()) {
        size_t nl = text.find('\n', at);
        if (nl == std::string::npos)
            nl = text.size();
        std::string l = trim(text.substr(at, nl - at));
        if (!l.empty())
            out.push_back(l);
        at = nl + 1;
    }
    return out;
}

std::string read_text(const std::string& path) {
    platform::FileHandle f(platform::open_file(path, "rb"));
    std::string text;
    if (!f)
        return text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0 && text.size() < (1u << 20)) {
        text.append(buf, n);
    }
    return text;
}

// Why a child that ended without what was expected of it did so.
std::string end_cause(const std::string& name, const ChildOutcome& run) {
    if (run.end == ChildEnd::not_started) {
        return "The program could not be started: " + run.start_error;
    }
    if (run.end == ChildEnd::cancelled)
        return name + " was cancelled.";
    const auto lines = lines_of(run.error_output);
    if (!lines.empty()) {
        std::string out;
        for (size_t i = lines.size() > 8 ? lines.size() - 8 : 0; i < lines.size(); ++i) {
            out += (out.empty() ? "" : "\n") + lines[i];
        }
        return out;
    }
    if (run.signal != 0)
        return name + " was ended by signal " + std::to_string(run.signal) + ".";
    if (run.exit_code > 0) {
        return name + " ended with exit status " + std::to_string(run.exit_code) + ".";
    }
    return std::string();
}

// The converter on a working copy (the current one, or an Open's new one).
ChildOutcome run_converter(Frontend& fe, const std::string& working_copy,
                           std::vector<std::string> switches, const std::string& what) {
    remove_quietly(platform::replace_extension(working_copy, ".wtx"));
    std::vector<std::string> argv{program(fe, "talvex")};
    argv.insert(argv.end(), switches.begin(), switches.end());
    argv.push_back(working_copy);
    return fe.children->run(argv, what, true, *fe.shell);
}

// A failure box with its cause; when the converter left an information
// file, it offers to keep it beside the recording (`recording`), where the
// user finds it after the private folder is gone.
void report_failure(Frontend& fe, const char* text, const std::string& cause,
                    const std::string& information, const std::string& recording) {
    Message m{text, MessageIcon::none, cause, {}};
    const bool report = !information.empty() && exists(information) && !recording.empty();
    if (report)
        m.offer = kOfferSaveReport;
    if (!fe.shell->show_message(m) || !report)
        return;
    std::string line = save_output_file(fe, information, folder_of(recording), false, false);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
        line.pop_back();
    if (!line.empty())
        fe.shell->message(line, MessageIcon::information);
}

// The files of a folder with their sizes and times, to tell afterwards
// which ones a cancelled child wrote.
using FolderState = std::vector<std::pair<std::string, std::pair<uintmax_t, fs::file_time_type>>>;

FolderState folder_state(const std::string& folder) {
    FolderState state;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        std::error_code e1, e2;
        if (!e.is_regular_file(e1))
            continue;
        state.push_back({e.path().string(), {e.file_size(e1), e.last_write_time(e2)}});
    }
    return state;
}

// Removes what a cancelled converter left in the recording's folder: every
// file new or changed since `before`, except the working copy and the SUDS
// file set aside. Nothing outside that folder is touched.
void remove_partial_outputs(const Frontend& fe, const FolderState& before) {
    const std::string parked = fe.current_suds.empty()
                                   ? std::string()
                                   : platform::replace_extension(fe.current_suds, ".s$$$");
    for (const auto& now : folder_state(fe.recording_folder)) {
        if (now.first == fe.working_copy || now.first == parked)
            continue;
        bool unchanged = false;
        for (const auto& b : before)
            unchanged = unchanged || b == now;
        if (!unchanged)
            remove_quietly(now.first);
    }
}

// Save As: on OK the save path and the save folder follow the choice; on
// Cancel the save path is emptied. True when a name was chosen.
bool save_as(Frontend& fe) {
    FileDialog d;
    d.title = kSaveTitle;
    d.filter = fe.save_filter;
    d.name = fe.save_path;
    d.folder = folder_of(fe.save_path);
    auto chosen = fe.shell->choose_save(d);
    if (!chosen) {
        fe.save_path.clear();
        return false;
    }
    fe.save_path = *chosen;
    fe.save_folder = folder_of(*chosen);
    return true;
}

void final_report(Frontend& fe, std::string report, const std::string& information_to_keep) {
    while (!report.empty() && (report.back() == ' ' || report.back() == '\t' ||
                               report.back() == '\r' || report.back() == '\n')) {
        report.pop_back();
    }
    if (!report.empty()) {
        fe.shell->message(report, MessageIcon::information);
    } else {
        fe.shell->message(kMsgNotSaved, MessageIcon::none);
    }
    if (!information_to_keep.empty()) {
        save_output_file(fe, information_to_keep, fe.save_folder, false, true);
    }
}

// Of the outputs a run named, the one that belongs to the current SUDS file
// when the recorder file was split by location (rec_01.suds -> rec_01.msed),
// else the first.
std::string pick_output(const Frontend& fe, const std::vector<std::string>& outputs,
                        const std::string& ext) {
    if (!fe.current_suds.empty()) {
        const std::string own = platform::replace_extension(fe.current_suds, ext);
        for (const auto& o : outputs) {
            if (o == own)
                return o;
        }
    }
    return outputs.front();
}

void convert_suds(Frontend& fe) {
    if (!exists(fe.current_suds)) {
        fe.shell->message(kMsgErrorConvertingSuds, MessageIcon::none);
        return;
    }
    fe.save_path = join_path(fe.save_folder, file_name_of(fe.current_suds));
    const std::string keep = platform::replace_extension(fe.current_suds, ".wtx");
    fe.save_filter = kSudsFilter;
    std::string report;
    if (save_as(fe))
        report = save_output_file(fe, fe.current_suds, fe.save_path, true, true);
    final_report(fe, report, keep);
}

// Runs a conversion with the current SUDS file set aside; a cancelled run
// leaves nothing of its own behind. False when the failure (or the
// cancel) has been reported.
bool run_conversion(Frontend& fe, std::vector<std::string> switches, const char* start_failure,
                    const std::string& format, ChildOutcome& run) {
    const FolderState before = folder_state(fe.recording_folder);
    set_aside_suds_file(fe, true);
    run = run_converter(fe, fe.working_copy, std::move(switches),
                        "Converting " + file_name_of(fe.recorder_file) + " to " + format);
    if (run.end == ChildEnd::cancelled)
        remove_partial_outputs(fe, before);
    set_aside_suds_file(fe, false);
    if (run.end == ChildEnd::cancelled) {
        fe.shell->message(kMsgCancelled, MessageIcon::none);
        return false;
    }
    if (run.end == ChildEnd::not_started) {
        report_failure(fe, start_failure, end_cause("talvex", run), "", "");
        return false;
    }
    return true;
}

void conversion_failed(Frontend& fe, const ChildOutcome& run, const std::string& why = "") {
    const std::string wtx = information_file(fe);
    std::string cause = converter_cause(wtx, run);
    if (cause.empty())
        cause = why;
    report_failure(fe, kMsgErrorConverting, cause, wtx, fe.recorder_file);
}

void convert_one_file(Frontend& fe) {
    const bool mseed = fe.output_format == kFormatMiniSeed;
    const char* ext = mseed ? ".msed" : ".asc";
    if (!exists(fe.working_copy)) {
        fe.shell->message(kMsgErrorConverting, MessageIcon::none);
        return;
    }
    std::string output = platform::replace_extension(fe.working_copy, ext);
    ChildOutcome run;
    if (!run_conversion(
            fe, mseed ? std::vector<std::string>{"-v"} : std::vector<std::string>{"-v", "-a"},
            mseed ? kMsgErrorConvertingSelected : kMsgErrorConverting,
            mseed ? "Mini-SEED" : "ASCII", run)) {
        return;
    }
    std::vector<std::string> outputs;
    if (!read_information_file(information_file(fe), outputs)) {
        conversion_failed(fe, run, "No report: " + information_file(fe));
        return;
    }
    if (!outputs.empty())
        output = pick_output(fe, outputs, ext);
    const std::string keep = information_file(fe);
    if (!exists(output)) {
        conversion_failed(fe, run, "No output file: " + output);
        return;
    }
    fe.save_path = join_path(fe.save_folder, file_name_of(output));
    fe.save_filter = mseed ? kMiniSeedFilter : kAsciiFilter;
    std::string report;
    if (save_as(fe))
        report = save_output_file(fe, output, fe.save_path, true, true);
    final_report(fe, report, keep);
}

void convert_per_channel(Frontend& fe) {
    if (!exists(fe.working_copy)) {
        fe.shell->message(kMsgErrorConverting, MessageIcon::none);
        return;
    }
    ChildOutcome run;
    if (!run_conversion(fe, {"-v", "-casc"}, kMsgErrorConverting, "ASCII, one file per channel",
                        run)) {
        return;
    }
    std::vector<std::string> outputs;
    if (!read_information_file(information_file(fe), outputs)) {
        conversion_failed(fe, run, "No report: " + information_file(fe));
        return;
    }
    const std::string keep = information_file(fe);
    std::string report;
    bool ask_for_each = false;
    for (size_t i = 0; i < outputs.size(); ++i) {
        const std::string& file = outputs[i];
        if (!exists(file)) {
            conversion_failed(fe, run, "No output file: " + file);
            return;
        }
        if (i == 0) {
            fe.save_path = join_path(fe.save_folder, file_name_of(file));
            fe.save_filter = kAsciiFilter;
            if (save_as(fe))
                report = save_output_file(fe, file, fe.save_path, true, true);
            // A changed name (or none) means every further file is asked for.
            ask_for_each =
                fe.save_path.empty() || !same_name(file_name_of(fe.save_path), file_name_of(file));
        } else if (ask_for_each) {
            fe.save_path = join_path(fe.save_folder, file_name_of(file));
            if (save_as(fe))
                report += save_output_file(fe, file, fe.save_path, true, false);
        } else if (!fe.save_path.empty()) {
            report += save_output_file(fe, file, fe.save_folder, false, false);
        }
    }
    final_report(fe, report, keep);
}

// Runs the listing tool on suds_file and reads what it lists into `lines`
// (ordered; none for an empty listing). Reports failures itself and
// returns false; `cause` holds what the tool said, for a later box.
bool list_channels(Frontend& fe, const std::string& suds_file, std::vector<std::string>& lines,
                   std::string& cause) {
    ChildOutcome run =
        fe.children->run({program(fe, "ostrand"), "/l", suds_file},
                         "Listing the channels of " + file_name_of(suds_file), false, *fe.shell);
    cause = end_cause("ostrand", run);
    if (run.end != ChildEnd::finished) {
        report_failure(fe, kMsgErrorReadingFile, cause, "", "");
        return false;
    }
    std::vector<std::string> read;
    if (!info_read_listing(platform::replace_extension(suds_file, ".info"), read)) {
        report_failure(fe, kMsgErrorRetrieving, cause, "", "");
        return false;
    }
    if (read.empty() && cause.empty())
        cause = "The listing of " + suds_file + " is empty.";
    info_order(read);
    lines = std::move(read);
    return true;
}

// The plotter finds its hypocentre listing beside the SUDS file, named
// after it; the ones beside the recording come along into the private
// folder, and stale copies go.
void copy_listings(Frontend& fe) {
    const std::string from = folder_of(fe.recorder_file);
    for (const char* ext : {".prt", ".evl", ".evt"}) {
        const std::string name = file_name_of(platform::replace_extension(fe.current_suds, ext));
        const std::string source = join_path(from, name);
        const std::string copy = join_path(folder_of(fe.current_suds), name);
        std::string error;
        if (exists(source)) {
            platform::copy_file(source, copy, error);
        } else {
            remove_quietly(copy);
        }
    }
}

} // namespace

std::string file_name_of(const std::string& path) {
    auto slash = platform::last_separator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_of(const std::string& path) {
    auto slash = platform::last_separator(path);
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string join_path(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return platform::is_path_separator(folder.back()) ? folder + name
                                                      : folder + platform::kPathSeparator + name;
}

bool frontend_start(Frontend& fe, std::string& error) {
    fe.temp_folder = platform::make_private_folder("fenwold.", error);
    return !fe.temp_folder.empty();
}

void frontend_exit(Frontend& fe) {
    if (fe.shell)
        fe.shell->close_info();
    if (fe.temp_folder.empty())
        return;
    // Only the folder made by frontend_start is ever removed.
    std::error_code ec;
    fs::remove_all(fe.temp_folder, ec);
    fe.temp_folder.clear();
}

void frontend_init_window(Frontend& fe) {
    fe.last_open_folder.clear();
    fe.save_folder.clear();
    fe.output_format = kFormatSuds;
    fe.file_open = false;
    fe.shell->enable_file_controls(false);
}

bool read_information_file(const std::string& path, std::vector<std::string>& outputs) {
    platform::FileHandle f(platform::open_file(path, "r"));
    if (!f)
        return false;
    outputs.clear();
    std::string line;
    auto take = [&]() {
        if (!line.empty() && line[0] != ';') {
            auto cr = line.rfind('\r');
            if (cr != std::string::npos)
                line.erase(cr);
            if (line.find("Output file:") != std::string::npos) {
                // The name starts two characters after the first ":".
                auto at = line.find(':') + 2;
                std::string name = at < line.size() ? line.substr(at) : std::string();
                auto end = name.find_first_of("\r\n");
                if (end != std::string::npos)
                    name.erase(end);
                if (!name.empty())
                    outputs.push_back(name);
            }
        }
        line.clear();
    };
    int c;
    while ((c = std::fgetc(f.get())) != EOF) {
        if (c == '\n') {
            take();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    take();
    return true;
}

std::string save_output_file(Frontend& fe, const std::string& source,
                             const std::string& destination, bool destination_is_name,
                             bool as_conversion) {
    if (!exists(source))
        return std::string();
    std::string dest =
        destination_is_name ? destination : join_path(destination, file_name_of(source));
    if (exists(dest) &&
        !fe.shell->ask_yes_no(dest + " already exists. \n Do you want to replace it?")) {
        return std::string();
    }
    if (platform::same_file(source, dest)) {
        return "Error saving file " + source +
               " - source and destination filename identical     \r";
    }
    std::string error;
    if (!platform::copy_file(source, dest, error)) {
        return "Error saving file " + source + " to " + dest + "     \r";
    }
    return as_conversion ? "File " + fe.recorder_file + " converted to " + dest + "     \r"
                         : dest + "     \r";
}

void set_aside_suds_file(Frontend& fe, bool aside) {
    if (fe.current_suds.empty())
        return;
    const std::string parked = platform::replace_extension(fe.current_suds, ".s$$$");
    std::string error;
    if (aside) {
        if (exists(fe.current_suds))
            platform::rename_file(fe.current_suds, parked, error);
    } else {
        if (exists(parked))
            platform::rename_file(parked, fe.current_suds, error);
    }
}

std::string converter_cause(const std::string& information_file, const ChildOutcome& run) {
    std::vector<std::string> found;
    auto take = [&found](const std::string& text) {
        for (const auto& l : lines_of(text)) {
            // A message may follow the start of a report line it interrupted.
            size_t at = std::min(l.find("ERROR:"), l.find("WARNING:"));
            if (at == std::string::npos)
                continue;
            const std::string m = l.substr(at);
            if (std::find(found.begin(), found.end(), m) == found.end())
                found.push_back(m);
        }
    };
    take(read_text(information_file));
    take(run.error_output);
    if (found.empty())
        return end_cause("talvex", run);
    std::string out;
    for (size_t i = 0; i < found.size() && i < 20; ++i)
        out += (i ? "\n" : "") + found[i];
    return out;
}

bool load_file_info(Frontend& fe, const std::string& suds_file, bool show) {
    if (suds_file.empty()) {
        fe.shell->message(kMsgNoWaveform, MessageIcon::none);
        return false;
    }
    std::vector<std::string> lines;
    std::string cause;
    if (!list_channels(fe, suds_file, lines, cause))
        return false;
    fe.info.lines = std::move(lines);
    if (fe.info.lines.empty())
        return false;
    if (show)
        fe.shell->show_info("File: " + fe.recorder_file, fe.info.lines);
    return true;
}

namespace {

// Makes the folder of the next Open inside the temp folder.
bool new_recording_folder(Frontend& fe, std::string& folder, std::string& error) {
    for (int tries = 0; tries < 100; ++tries) {
        folder = join_path(fe.temp_folder, std::to_string(++fe.opens));
        std::error_code ec;
        if (fs::create_directory(folder, ec))
            return true;
        if (ec)
            error = folder + ": " + ec.message();
    }
    return false;
}

// Everything an Open does happens in its own new folder, and what it finds
// goes into `next`: only when all of it has succeeded does the front end
// take the new recording as current. False after the failure was shown.
bool import(Frontend& fe, const std::string& chosen, Frontend& next) {
    if (!exists(chosen)) {
        fe.shell->message(kMsgNoInputFile, MessageIcon::none);
        return false;
    }
    std::string error;
    if (!new_recording_folder(fe, next.recording_folder, error)) {
        report_failure(fe, kMsgErrorOpening, error, "", "");
        return false;
    }
    next.recorder_file = chosen;
    next.working_copy = join_path(next.recording_folder, file_name_of(chosen));
    if (!platform::copy_file(chosen, next.working_copy, error)) {
        report_failure(fe, kMsgErrorOpening, error, "", "");
        return false;
    }
    // A copy of a read-only file must stay replaceable.
    {
        std::error_code ec;
        fs::permissions(next.working_copy, fs::perms::owner_write, fs::perm_options::add, ec);
    }
    fe.shell->pause_ms(fe.settle_ms);

    std::string suds = platform::replace_extension(next.working_copy, ".suds");
    if (exists(suds) && !platform::delete_file(suds, error)) {
        fe.shell->message(kMsgAlreadyOpen, MessageIcon::none);
        return false;
    }
    ChildOutcome run =
        run_converter(fe, next.working_copy, {"-s", "-v"}, "Importing " + file_name_of(chosen));
    const std::string wtx = platform::replace_extension(next.working_copy, ".wtx");
    if (run.end == ChildEnd::cancelled) {
        fe.shell->message(kMsgCancelled, MessageIcon::none);
        return false;
    }
    std::vector<std::string> outputs;
    if (run.end == ChildEnd::not_started || !read_information_file(wtx, outputs)) {
        report_failure(fe, kMsgErrorImporting, converter_cause(wtx, run), wtx, chosen);
        return false;
    }
    if (!outputs.empty())
        suds = outputs.front();
    if (outputs.size() > 1) {
        fe.shell->message(
            "Multiple SUDS files were generated in the temporary folder " + next.recording_folder +
                ". Select one file to be processed now; the others can be processed "
                "later. \nWARNING: Files not saved before exiting the program will be "
                "removed from the temporary folder!",
            MessageIcon::warning);
        const std::string pattern =
            platform::replace_extension(file_name_of(next.working_copy), "_*.suds");
        FileDialog m;
        m.title = kMultipleTitle;
        m.folder = next.recording_folder;
        m.default_ext = "suds";
        m.filter = "Suds Files (" + pattern + ")|" + pattern + "||";
        auto pick = fe.shell->choose_open(m);
        if (!pick)
            return false;
        suds = *pick;
    }
    if (!exists(suds)) {
        std::string cause = converter_cause(wtx, run);
        if (cause.empty())
            cause = "No SUDS file: " + suds;
        report_failure(fe, kMsgErrorImporting, cause, wtx, chosen);
        return false;
    }
    fe.shell->pause_ms(fe.settle_ms);
    std::string cause;
    if (!list_channels(fe, suds, next.info.lines, cause) || next.info.lines.empty()) {
        report_failure(fe, kMsgErrorReadingTalvex, cause, "", "");
        return false;
    }
    next.current_suds = suds;
    return true;
}

} // namespace

void action_open(Frontend& fe) {
    FileDialog d;
    d.title = kOpenTitle;
    d.filter = kOpenFilter;
    d.default_ext = "cd11";
    d.folder = fe.last_open_folder;
    auto chosen = fe.shell->choose_open(d);
    if (!chosen)
        return;

    // Where the next Open dialog starts; the recording itself changes only
    // when this Open succeeds.
    fe.last_open_folder = folder_of(*chosen);
    if (fe.save_folder.empty())
        fe.save_folder = fe.last_open_folder;
    Frontend next;
    if (!import(fe, *chosen, next)) {
        if (!next.recording_folder.empty()) {
            std::error_code ec;
            fs::remove_all(next.recording_folder, ec);
        }
        return;
    }
    fe.recorder_file = next.recorder_file;
    fe.recording_folder = next.recording_folder;
    fe.working_copy = next.working_copy;
    fe.current_suds = next.current_suds;
    fe.info.lines = std::move(next.info.lines);
    fe.file_label = "File: " + fe.recorder_file;
    fe.shell->set_file_label(fe.file_label);
    fe.file_open = true;
    fe.shell->enable_file_controls(true);
}

void action_file_info(Frontend& fe) {
    load_file_info(fe, fe.current_suds, true);
}

void action_quick_view(Frontend& fe) {
    if (fe.current_suds.empty()) {
        fe.shell->message(kMsgNoWaveform, MessageIcon::none);
        return;
    }
    copy_listings(fe);
    // As on the desk: the plotter runs beside its file and names it alone.
    // Its log goes where it would from the start folder, and the user's
    // trelkit.ini there is found through SUDS_ETC.
    const std::string folder = folder_of(fe.current_suds);
    Environment env;
    if (platform::environment("SUDS_ETC").empty() && !fe.start_folder.empty() &&
        exists(join_path(fe.start_folder, "trelkit.ini"))) {
        env.emplace_back("SUDS_ETC", fe.start_folder);
    }
    if (!fe.start_folder.empty()) {
        const std::string log = join_path(folder, "vorlane.log");
        std::error_code ec;
        if (!fs::is_symlink(log, ec)) {
            remove_quietly(log);
            fs::create_symlink(join_path(fe.start_folder, "vorlane.log"), log, ec);
        }
    }
    std::string error;
    if (!fe.children->start({program(fe, "vorlane"), "/p1", "/m", file_name_of(fe.current_suds)},
                            folder, env, error)) {
        report_failure(fe, kMsgErrorDisplaying, "The program could not be started: " + error, "",
                       "");
    }
}

void action_convert(Frontend& fe) {
    switch (fe.output_format) {
    case kFormatSuds:
        convert_suds(fe);
        break;
    case kFormatMiniSeed:
    case kFormatAsciiMulti:
        convert_one_file(fe);
        break;
    case kFormatAsciiOne:
        convert_per_channel(fe);
        break;
    }
}

void set_output_format(Frontend& fe, int format) {
    if (format >= kFormatSuds && format <= kFormatAsciiMulti)
        fe.output_format = format;
}

void action_close(Frontend& fe) {
    fe.shell->close_info();
}

} // namespace fenwold
