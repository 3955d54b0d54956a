#include "actions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/files.h"

namespace fenwold {

namespace {

namespace fs = std::filesystem;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

std::string program(const Frontend& fe, const char* name) {
  return join_path(fe.program_folder, name);
}

bool exists(const std::string& path) { return !path.empty() && platform::file_exists(path); }

// The converter's information file beside the working copy. An old one is
// removed before each run, so that a run that writes none is not judged by
// the report of an earlier one.
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

ChildEnd run_converter(Frontend& fe, std::vector<std::string> switches) {
  remove_quietly(information_file(fe));
  std::vector<std::string> argv{program(fe, "talvex")};
  argv.insert(argv.end(), switches.begin(), switches.end());
  argv.push_back(fe.working_copy);
  return fe.children->run(argv, fe.child_timeout_ms);
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
  while (!report.empty() &&
         (report.back() == ' ' || report.back() == '\t' || report.back() == '\r' ||
          report.back() == '\n')) {
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
      if (o == own) return o;
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
  if (save_as(fe)) report = save_output_file(fe, fe.current_suds, fe.save_path, true, true);
  final_report(fe, report, keep);
}

void convert_one_file(Frontend& fe) {
  const bool mseed = fe.output_format == kFormatMiniSeed;
  const char* ext = mseed ? ".msed" : ".asc";
  if (!exists(fe.working_copy)) {
    fe.shell->message(kMsgErrorConverting, MessageIcon::none);
    return;
  }
  std::string output = platform::replace_extension(fe.working_copy, ext);
  set_aside_suds_file(fe, true);
  ChildEnd end = mseed ? run_converter(fe, {"-v"}) : run_converter(fe, {"-v", "-a"});
  if (end != ChildEnd::finished) {
    fe.shell->message(end == ChildEnd::not_started && mseed ? kMsgErrorConvertingSelected
                                                            : kMsgErrorConverting,
                      MessageIcon::none);
    set_aside_suds_file(fe, false);
    return;
  }
  set_aside_suds_file(fe, false);
  std::vector<std::string> outputs;
  if (!read_information_file(information_file(fe), outputs)) {
    fe.shell->message(kMsgErrorConverting, MessageIcon::none);
    return;
  }
  if (!outputs.empty()) output = pick_output(fe, outputs, ext);
  const std::string keep = information_file(fe);
  if (!exists(output)) {
    fe.shell->message(kMsgErrorConverting, MessageIcon::none);
    return;
  }
  fe.save_path = join_path(fe.save_folder, file_name_of(output));
  fe.save_filter = mseed ? kMiniSeedFilter : kAsciiFilter;
  std::string report;
  if (save_as(fe)) report = save_output_file(fe, output, fe.save_path, true, true);
  final_report(fe, report, keep);
}

void convert_per_channel(Frontend& fe) {
  if (!exists(fe.working_copy)) {
    fe.shell->message(kMsgErrorConverting, MessageIcon::none);
    return;
  }
  set_aside_suds_file(fe, true);
  if (run_converter(fe, {"-v", "-casc"}) != ChildEnd::finished) {
    fe.shell->message(kMsgErrorConverting, MessageIcon::none);
    set_aside_suds_file(fe, false);
    return;
  }
  set_aside_suds_file(fe, false);
  std::vector<std::string> outputs;
  if (!read_information_file(information_file(fe), outputs)) {
    fe.shell->message(kMsgErrorConverting, MessageIcon::none);
    return;
  }
  const std::string keep = information_file(fe);
  std::string report;
  bool ask_for_each = false;
  for (size_t i = 0; i < outputs.size(); ++i) {
    const std::string& file = outputs[i];
    if (!exists(file)) {
      fe.shell->message(kMsgErrorConverting, MessageIcon::none);
      return;
    }
    if (i == 0) {
      fe.save_path = join_path(fe.save_folder, file_name_of(file));
      fe.save_filter = kAsciiFilter;
      if (save_as(fe)) report = save_output_file(fe, file, fe.save_path, true, true);
      // A changed name (or none) means every further file is asked for.
      ask_for_each =
          fe.save_path.empty() || !same_name(file_name_of(fe.save_path), file_name_of(file));
    } else if (ask_for_each) {
      fe.save_path = join_path(fe.save_folder, file_name_of(file));
      if (save_as(fe)) report += save_output_file(fe, file, fe.save_path, true, false);
    } else if (!fe.save_path.empty()) {
      report += save_output_file(fe, file, fe.save_folder, false, false);
    }
  }
  final_report(fe, report, keep);
}

}  // namespace

std::string file_name_of(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_of(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool frontend_start(Frontend& fe, std::string& error) {
  std::string base = platform::environment("TMPDIR");
  if (base.empty() || !platform::is_folder(base)) base = "/tmp";
  std::string templ = join_path(base, "fenwold.XXXXXX");
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data())) {
    error = "cannot make a folder in " + base + ": " + std::strerror(errno);
    return false;
  }
  fe.temp_folder = platform::absolute_path(buf.data());
  return true;
}

void frontend_exit(Frontend& fe) {
  if (fe.shell) fe.shell->close_info();
  if (fe.temp_folder.empty()) return;
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
  std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "r"));
  if (!f) return false;
  outputs.clear();
  std::string line;
  auto take = [&]() {
    if (!line.empty() && line[0] != ';') {
      auto cr = line.rfind('\r');
      if (cr != std::string::npos) line.erase(cr);
      if (line.find("Output file:") != std::string::npos) {
        // The name starts two characters after the first ":".
        auto at = line.find(':') + 2;
        std::string name = at < line.size() ? line.substr(at) : std::string();
        auto end = name.find_first_of("\r\n");
        if (end != std::string::npos) name.erase(end);
        if (!name.empty()) outputs.push_back(name);
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
  if (!exists(source)) return std::string();
  std::string dest =
      destination_is_name ? destination : join_path(destination, file_name_of(source));
  if (exists(dest) && !fe.shell->ask_yes_no(dest + " already exists. \n Do you want to replace it?")) {
    return std::string();
  }
  if (platform::same_file(source, dest)) {
    return "Error saving file " + source + " - source and destination filename identical     \r";
  }
  std::string error;
  if (!platform::copy_file(source, dest, error)) {
    return "Error saving file " + source + " to " + dest + "     \r";
  }
  return as_conversion ? "File " + fe.recorder_file + " converted to " + dest + "     \r"
                       : dest + "     \r";
}

void set_aside_suds_file(Frontend& fe, bool aside) {
  if (fe.current_suds.empty()) return;
  const std::string parked = platform::replace_extension(fe.current_suds, ".s$$$");
  std::string error;
  if (aside) {
    if (exists(fe.current_suds)) platform::rename_file(fe.current_suds, parked, error);
  } else {
    if (exists(parked)) platform::rename_file(parked, fe.current_suds, error);
  }
}

bool load_file_info(Frontend& fe, const std::string& suds_file, bool show) {
  if (suds_file.empty()) {
    fe.shell->message(kMsgNoWaveform, MessageIcon::none);
    return false;
  }
  ChildEnd end =
      fe.children->run({program(fe, "ostrand"), "/l", suds_file}, fe.child_timeout_ms);
  if (end != ChildEnd::finished) {
    fe.shell->message(kMsgErrorReadingFile, MessageIcon::none);
    return false;
  }
  std::vector<std::string> lines;
  if (!info_read_listing(platform::replace_extension(suds_file, ".info"), lines)) {
    // The list of an earlier file stays held, but is not shown as this one's.
    fe.shell->message(kMsgErrorRetrieving, MessageIcon::none);
    return false;
  }
  fe.info.lines = std::move(lines);
  if (fe.info.lines.empty()) return false;
  info_order(fe.info.lines);
  if (show) fe.shell->show_info("File: " + fe.recorder_file, fe.info.lines);
  return true;
}

void action_open(Frontend& fe) {
  FileDialog d;
  d.title = kOpenTitle;
  d.filter = kOpenFilter;
  d.default_ext = "cd11";
  d.folder = fe.last_open_folder;
  auto chosen = fe.shell->choose_open(d);
  if (!chosen) return;

  fe.recorder_file = *chosen;
  fe.last_open_folder = folder_of(fe.recorder_file);
  if (fe.save_folder.empty()) fe.save_folder = fe.last_open_folder;
  if (!exists(fe.recorder_file)) {
    fe.shell->message(kMsgNoInputFile, MessageIcon::none);
    return;
  }
  fe.working_copy = join_path(fe.temp_folder, file_name_of(fe.recorder_file));
  if (!platform::same_file(fe.working_copy, fe.recorder_file)) {
    std::string error;
    if (!platform::copy_file(fe.recorder_file, fe.working_copy, error)) {
      fe.shell->message(kMsgErrorOpening, MessageIcon::none);
      return;
    }
    // A copy of a read-only file must stay replaceable by the next Open.
    struct stat st;
    if (::stat(fe.working_copy.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR)) {
      ::chmod(fe.working_copy.c_str(), (st.st_mode & 07777) | S_IWUSR);
    }
  }
  fe.shell->pause_ms(fe.settle_ms);

  std::string suds = platform::replace_extension(fe.working_copy, ".suds");
  if (exists(suds)) {
    std::string error;
    if (!platform::delete_file(suds, error)) {
      fe.shell->message(kMsgAlreadyOpen, MessageIcon::none);
      return;
    }
  }
  if (run_converter(fe, {"-s", "-v"}) != ChildEnd::finished) {
    fe.shell->message(kMsgErrorImporting, MessageIcon::none);
    return;
  }
  std::vector<std::string> outputs;
  if (!read_information_file(information_file(fe), outputs)) {
    fe.shell->message(kMsgErrorImporting, MessageIcon::none);
    return;
  }
  if (!outputs.empty()) suds = outputs.front();
  if (outputs.size() > 1) {
    fe.shell->message("Multiple SUDS files were generated in the temporary folder " +
                          fe.temp_folder +
                          ". Select one file to be processed now; the others can be processed "
                          "later. \nWARNING: Files not saved before exiting the program will be "
                          "removed from the temporary folder!",
                      MessageIcon::warning);
    const std::string pattern = platform::replace_extension(file_name_of(fe.working_copy), "_*.suds");
    FileDialog m;
    m.title = kMultipleTitle;
    m.folder = fe.temp_folder;
    m.default_ext = "suds";
    m.filter = "Suds Files (" + pattern + ")|" + pattern + "||";
    auto pick = fe.shell->choose_open(m);
    if (!pick) return;
    suds = *pick;
  }
  if (!exists(suds)) {
    fe.shell->message(kMsgErrorImporting, MessageIcon::none);
    return;
  }
  fe.current_suds = suds;
  fe.shell->pause_ms(fe.settle_ms);
  // A file that this listing cannot describe is refused, whatever an
  // earlier file listed.
  if (!load_file_info(fe, fe.current_suds, false)) fe.current_suds.clear();
  if (fe.current_suds.empty()) {
    fe.shell->message(kMsgErrorReadingTalvex, MessageIcon::none);
    return;
  }
  fe.file_label = "File: " + fe.recorder_file;
  fe.shell->set_file_label(fe.file_label);
  fe.file_open = true;
  fe.shell->enable_file_controls(true);
}

void action_file_info(Frontend& fe) { load_file_info(fe, fe.current_suds, true); }

void action_quick_view(Frontend& fe) {
  if (fe.current_suds.empty()) {
    fe.shell->message(kMsgNoWaveform, MessageIcon::none);
    return;
  }
  if (!fe.children->start({program(fe, "vorlane"), "/p1", "/m", fe.current_suds})) {
    fe.shell->message(kMsgErrorDisplaying, MessageIcon::none);
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
  if (format >= kFormatSuds && format <= kFormatAsciiMulti) fe.output_format = format;
}

void action_close(Frontend& fe) { fe.shell->close_info(); }

}  // namespace fenwold
