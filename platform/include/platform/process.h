// Child processes: start a program with an argument vector (never through a
// shell) in a given working directory, then either wait for it with a time
// limit or let it run on its own.
//
// Every child gets standard input from /dev/null, runs in a process group of
// its own and inherits no descriptor of ours beyond 0, 1 and 2. A program
// that cannot be executed (missing, not executable) is reported by the call
// that starts it, never as a child that exits with some code.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class ProcessStatus {
  finished,       // the child ended; exit_code (or signal) is set
  timed_out,      // it overran the time limit and was killed
  start_failed,   // fork or exec failed; error holds the reason
};

struct ProcessResult {
  ProcessStatus status = ProcessStatus::start_failed;
  int exit_code = -1;   // exit status when it exited normally, else -1
  int signal = 0;       // the signal that ended it, else 0
  std::string error;    // why it could not be started
};

struct ProcessOptions {
  std::string working_folder;     // empty: ours
  bool quiet_output = false;      // standard output to /dev/null (stderr stays)
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

}  // namespace platform
