#include "shell.h"

#include "platform/process.h"

namespace fenwold {

std::vector<FileFilter> parse_filter(const std::string& text) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : text) {
    if (c == '|') {
      fields.push_back(field);
      field.clear();
    } else {
      field.push_back(c);
    }
  }
  if (!field.empty()) fields.push_back(field);
  std::vector<FileFilter> out;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (fields[i].empty()) break;  // the "||" at the end
    FileFilter f;
    f.name = fields[i];
    std::string pattern;
    for (char c : fields[i + 1] + ";") {
      if (c == ';') {
        if (!pattern.empty()) f.patterns.push_back(pattern);
        pattern.clear();
      } else {
        pattern.push_back(c);
      }
    }
    out.push_back(f);
  }
  return out;
}

ChildEnd SystemChildren::run(const std::vector<std::string>& argv, int timeout_ms) {
  platform::ProcessOptions options;
  options.working_folder = folder_;
  options.quiet_output = true;
  auto r = platform::process_run(argv, options, timeout_ms);
  switch (r.status) {
    case platform::ProcessStatus::finished:
      return ChildEnd::finished;
    case platform::ProcessStatus::timed_out:
      return ChildEnd::timed_out;
    case platform::ProcessStatus::start_failed:
      break;
  }
  error_ = r.error;
  return ChildEnd::not_started;
}

bool SystemChildren::start(const std::vector<std::string>& argv) {
  platform::ProcessOptions options;
  options.working_folder = folder_;
  options.quiet_output = true;
  return platform::process_start(argv, options, error_);
}

}  // namespace fenwold
