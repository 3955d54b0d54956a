// What the test suites share on every system: private scratch folders,
// whole-file reads and writes by UTF-8 name, environment changes, and the
// built programs run as children with their output captured. Built on the
// platform layer, so the same tests run on Linux and, under Wine, on
// Windows.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testkit {

// A UTF-8 name as a std::filesystem path (a plain std::string would be taken
// in the system's code page on Windows).
std::filesystem::path fs_path(const std::string& utf8);

// folder + this system's separator + name.
std::string join(const std::string& folder, const std::string& name);

// A new private folder in the system's temporary folder, removed with all
// it holds (read-only entries too) when the object goes.
class TempDir {
  public:
    explicit TempDir(const std::string& prefix = "talvex-test-");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return join(path_, name); }
    std::string operator/(const std::string& name) const { return file(name); }

  private:
    std::string path_;
};

// A TempDir that is the current folder while it lives.
class ScratchDir : public TempDir {
  public:
    explicit ScratchDir(const std::string& prefix = "talvex-test-");
    ~ScratchDir();

  private:
    std::filesystem::path old_cwd_;
};

std::string read_file(const std::string& path);
// Writes the bytes exactly (binary), replacing the file.
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);

// Sets (or, with unset_env, removes) a variable of this process: what the
// platform layer and children started afterwards see.
void set_env(const std::string& name, const std::string& value);
void unset_env(const std::string& name);

struct RunResult {
    int status = -1; // exit status; 128 + signal number when killed; -1: did not run or end
    std::string out; // standard output (with standard error when joined)
    std::string err; // standard error
};

struct RunOptions {
    // "NAME=value" sets NAME for the child; "NAME=" removes it.
    std::vector<std::string> env;
    std::string input_file;    // standard input; empty: the null device
    bool join_error = false;   // standard error into `out`, in order
    int timeout_seconds = 120; // a child still running then is killed: a test failure
};

// Runs program (a path) with args in folder cwd. A program that cannot be
// started or that overruns is a test failure, and status is -1.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const RunOptions& options = RunOptions());

} // namespace testkit

namespace testkit {

// Text written in text mode (a child's standard output and error, the log
// and listing files) with "\n" line ends: on Windows the C library writes
// each "\n" as "\r\n", which becomes "\n" again here; elsewhere the text is
// returned as it is.
std::string plain_lines(const std::string& text);

// The other way: text as a text-mode stream writes it ("\r\n" for each
// "\n" on Windows), for expected values compared with such files.
std::string text_lines(const std::string& text);

// true when text has a "\n" without the "\r" that text mode puts before it
// on Windows; always false elsewhere.
bool has_bare_line_feed(const std::string& text);

} // namespace testkit
