// What the front end's actions need from the desktop and the system: message
// boxes, file choosers, the info window and child processes. The GTK layer
// implements it for the real window; the tests script it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fenwold {

enum class MessageIcon { none, information, warning };

// One entry of a file chooser's type list.
struct FileFilter {
  std::string name;                   // "TALVEX Data Files (*.cd11*)"
  std::vector<std::string> patterns;  // "*.cd11*"
};

// Splits a filter text "Name|pattern;pattern|Name|pattern||" into entries.
std::vector<FileFilter> parse_filter(const std::string& text);

struct FileDialog {
  std::string title;
  std::string filter;          // filter text as parse_filter reads it
  std::string folder;          // initial folder; empty: the current directory
  std::string name;            // initial file name (save), may hold a folder
  std::string default_ext;     // added to a typed name without one (open)
};

class Shell {
 public:
  virtual ~Shell() = default;

  // A modal message box with an OK button.
  virtual void message(const std::string& text, MessageIcon icon) = 0;
  // A modal Yes/No question (question icon, kept on top); true for Yes.
  virtual bool ask_yes_no(const std::string& text) = 0;
  // A file chooser for an existing file; nullopt when cancelled.
  virtual std::optional<std::string> choose_open(const FileDialog& dialog) = 0;
  // A file chooser for a name to save to (in an existing folder; no
  // overwrite question of its own); nullopt when cancelled.
  virtual std::optional<std::string> choose_save(const FileDialog& dialog) = 0;

  // The main window's file label and the controls that need an open file.
  virtual void set_file_label(const std::string& text) = 0;
  virtual void enable_file_controls(bool enable) = 0;

  // Replaces the info window (closing an open one) by a new one showing
  // file_line over the header and the lines. close_info closes it if open.
  virtual void show_info(const std::string& file_line, const std::vector<std::string>& lines) = 0;
  virtual void close_info() = 0;

  // Pauses briefly; the window is not serviced meanwhile.
  virtual void pause_ms(int ms) = 0;
};

enum class ChildEnd { finished, timed_out, not_started };

// Starting the converter, the listing tool and the plotter.
class Children {
 public:
  virtual ~Children() = default;
  // Runs argv and waits at most timeout_ms; a child that overruns is ended.
  virtual ChildEnd run(const std::vector<std::string>& argv, int timeout_ms) = 0;
  // Starts argv and does not wait; false when it could not be started.
  virtual bool start(const std::vector<std::string>& argv) = 0;
};

// Children run by the platform layer with a fixed working folder; the
// converter's console output is dropped.
class SystemChildren : public Children {
 public:
  explicit SystemChildren(std::string working_folder) : folder_(std::move(working_folder)) {}
  ChildEnd run(const std::vector<std::string>& argv, int timeout_ms) override;
  bool start(const std::vector<std::string>& argv) override;
  // Why the last child could not be started (for a trace).
  const std::string& last_error() const { return error_; }

 private:
  std::string folder_;
  std::string error_;
};

}  // namespace fenwold
