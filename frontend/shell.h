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
    std::string name;                  // "TALVEX Data Files (*.cd11*)"
    std::vector<std::string> patterns; // "*.cd11*"
};

// Splits a filter text "Name|pattern;pattern|Name|pattern||" into entries.
std::vector<FileFilter> parse_filter(const std::string& text);

struct FileDialog {
    std::string title;
    std::string filter;      // filter text as parse_filter reads it
    std::string folder;      // initial folder; empty: the current directory
    std::string name;        // initial file name (save), may hold a folder
    std::string default_ext; // added to a typed name without one (open)
};

// One line of the converter's progress channel: "progress <pass> <passes>
// <done> <total>". pass 0 until the first line arrives.
struct ChildProgress {
    int pass = 0;
    int passes = 0;
    long long done = 0;
    long long total = 0;
};

// How much of a child's work is done, 0 to 1 (0 before its first line).
double progress_fraction(const ChildProgress& progress);
// The whole percent of progress_fraction.
int progress_percent(const ChildProgress& progress);
// What the progress bar says: "Pass 1 of 2: reading the recorder file - 40%".
std::string progress_text(const ChildProgress& progress);

// Collects progress lines as they arrive in pieces; malformed lines are
// skipped, the last good one counts.
class ProgressReader {
  public:
    void feed(const std::string& bytes);
    const ChildProgress& last() const { return last_; }

  private:
    std::string partial_;
    ChildProgress last_;
};

// What the window does while a child works: it is called about every 50 ms
// until the child ends. child_working returns false when the user cancelled.
class ChildWatch {
  public:
    virtual ~ChildWatch() = default;
    virtual void child_begin(const std::string& what) = 0;
    virtual bool child_working(const ChildProgress& progress) = 0;
    virtual void child_end() = 0;
};

struct Message {
    std::string text;
    MessageIcon icon = MessageIcon::none;
    std::string detail; // the cause, shown under the text
    std::string offer;  // caption of a second button, empty for none
};

class Shell : public ChildWatch {
  public:
    // A modal message box with an OK button, and the offer's button when one
    // is given; true when that was pressed.
    virtual bool show_message(const Message& m) = 0;
    void message(const std::string& text, MessageIcon icon) { show_message({text, icon, {}, {}}); }
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

enum class ChildEnd { finished, cancelled, not_started };

struct ChildOutcome {
    ChildEnd end = ChildEnd::not_started;
    int exit_code = -1;       // when it exited
    int signal = 0;           // when a signal ended it
    std::string error_output; // what it wrote to standard error
    std::string start_error;  // why it could not be started
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// The variable through which the converter learns where to report progress.
inline constexpr const char* kProgressVariable = "TALVEX_PROGRESS_FD";

// Starting the converter, the listing tool and the plotter.
class Children {
  public:
    virtual ~Children() = default;
    // Runs argv to its end, with no time limit, while `watch` keeps the
    // window alive and may cancel it (what: the work, for the window). With
    // `progress`, the child gets the progress channel (kProgressVariable).
    virtual ChildOutcome run(const std::vector<std::string>& argv, const std::string& what,
                             bool progress, ChildWatch& watch) = 0;
    // Starts argv in `folder` with `env` added and does not wait; false with
    // `error` set when it could not be started.
    virtual bool start(const std::vector<std::string>& argv, const std::string& folder,
                       const Environment& env, std::string& error) = 0;
};

// Children run by the platform layer, watched children in a fixed working
// folder; their standard output is dropped, their standard error kept.
class SystemChildren : public Children {
  public:
    explicit SystemChildren(std::string working_folder) : folder_(std::move(working_folder)) {}
    ChildOutcome run(const std::vector<std::string>& argv, const std::string& what, bool progress,
                     ChildWatch& watch) override;
    bool start(const std::vector<std::string>& argv, const std::string& folder,
               const Environment& env, std::string& error) override;

  private:
    std::string folder_;
};

} // namespace fenwold
