// Child processes: start a program with an argument vector (never through a
// shell) in a given working directory, then wait for it with a time limit,
// watch it while it works (ChildProcess), or let it run on its own.
//
// Every child gets standard input from /dev/null, runs in a process group of
// its own and inherits no descriptor of ours beyond 0, 1 and 2 (and 3, the
// progress pipe, when asked for). A program
// that cannot be executed (missing, not executable) is reported by the call
// that starts it, never as a child that exits with some code.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class ProcessStatus {
    finished,     // the child ended; exit_code (or signal) is set
    timed_out,    // it overran the time limit and was killed
    cancelled,    // ChildProcess::cancel ended it
    start_failed, // fork or exec failed; error holds the reason
};

struct ProcessResult {
    ProcessStatus status = ProcessStatus::start_failed;
    int exit_code = -1; // exit status when it exited normally, else -1
    int signal = 0;     // the signal that ended it, else 0
    std::string error;  // why it could not be started
};

struct ProcessOptions {
    std::string working_folder; // empty: ours
    bool quiet_output = false;  // standard output to /dev/null (stderr stays)
    // Variables set (or replaced) in the child's environment only.
    std::vector<std::pair<std::string, std::string>> environment;
    // ChildProcess only: when set, the child inherits the write end of a pipe
    // as descriptor 3 and finds that number in this variable; the parent
    // reads the other end.
    std::string progress_variable;
    // ChildProcess only: the child's standard error is read by the parent.
    bool capture_error = false;
    // Variables removed from the child's environment.
    std::vector<std::string> removed_environment;
    // A file the child reads as standard input (in place of /dev/null), and
    // files its standard output and error are written to (created or
    // truncated; the same name for both joins them in one file). Empty: the
    // default. Given files win over quiet_output and capture_error.
    std::string input_file;
    std::string output_file;
    std::string error_file;
};

// Runs argv[0] (a path; no search along PATH) with argv and waits at most
// timeout_ms milliseconds. A child still running then is killed with its
// whole process group and reaped; the result says timed_out.
ProcessResult process_run(const std::vector<std::string>& argv, const ProcessOptions& options,
                          int timeout_ms);

// Starts argv[0] detached: it runs on in a session of its own, is never
// waited for and leaves no zombie behind. True when the program was
// executed; false with `error` set when it could not be started.
bool process_start(const std::vector<std::string>& argv, const ProcessOptions& options,
                   std::string& error);

// A child that is started, then polled without blocking the caller for
// long, read from while it works, and ended on request. The destructor
// ends a child still running (with its process group) and reaps it.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // True when the program was executed; false with `error` set.
    bool start(const std::vector<std::string>& argv, const ProcessOptions& options,
               std::string& error);
    // Waits at most wait_ms for the child to write or to end, and takes in
    // what it wrote. True while it runs; false once it has ended and been
    // reaped (result() then holds how).
    bool poll(int wait_ms);
    // What arrived on the progress pipe since the last call.
    std::string take_progress();
    // The end of what the child wrote to standard error (the last 64 KiB).
    const std::string& error_output() const { return error_text_; }
    // Ends the child and its whole process group (TERM, then KILL after a
    // short grace) and reaps it; result() says cancelled.
    void cancel();
    const ProcessResult& result() const { return result_; }
    // Closes our end of the progress pipe: the child's further progress
    // writes fail (a reader that went away).
    void close_progress();

  private:
    void read_pipes();
    void close_pipes();
    int pid_ = -1;
    int progress_fd_ = -1;
    int error_fd_ = -1;
    int job_ = -1; // Windows: the job object that holds the child's tree
    std::string progress_;
    std::string error_text_;
    ProcessResult result_;
};

} // namespace platform
