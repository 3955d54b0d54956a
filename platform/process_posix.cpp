#include "platform/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// Everything the child needs, prepared before fork: after fork only
// async-signal-safe calls are made.
struct ChildSetup {
  std::vector<std::string> args;
  std::vector<char*> argv;
  const char* folder = nullptr;
  int null_in = -1;
  int null_out = -1;   // -1: keep our standard output
  int report = -1;     // write end of the exec-failure pipe
  bool new_session = false;
};

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

[[noreturn]] void child_fail(int report, int err) {
  ssize_t ignored = ::write(report, &err, sizeof err);
  (void)ignored;
  _exit(127);
}

// Runs in the child: never returns.
[[noreturn]] void child_exec(const ChildSetup& s) {
  if (s.new_session) {
    ::setsid();
  } else {
    ::setpgid(0, 0);
  }
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGTERM, SIG_DFL);
  if (::dup2(s.null_in, 0) < 0) child_fail(s.report, errno);
  if (s.null_out >= 0 && ::dup2(s.null_out, 1) < 0) child_fail(s.report, errno);
  if (s.folder && ::chdir(s.folder) != 0) child_fail(s.report, errno);
  // Nothing of ours beyond 0, 1 and 2 reaches the program; the report pipe
  // closes itself on a successful exec.
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */) != 0)
#endif
  {
    for (int fd = 3; fd < 1024; ++fd) {
      if (fd != s.report) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  ::execv(s.argv[0], s.argv.data());
  child_fail(s.report, errno);
}

bool prepare(const std::vector<std::string>& argv, const ProcessOptions& options, ChildSetup& s,
             Fd& null_in, Fd& null_out, std::string& error) {
  if (argv.empty() || argv[0].empty()) {
    error = "no program named";
    return false;
  }
  s.args = argv;
  for (auto& a : s.args) s.argv.push_back(a.data());
  s.argv.push_back(nullptr);
  if (!options.working_folder.empty()) s.folder = options.working_folder.c_str();
  null_in.reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  if (null_in.get() < 0) {
    error = std::string("/dev/null: ") + std::strerror(errno);
    return false;
  }
  s.null_in = null_in.get();
  if (options.quiet_output) {
    null_out.reset(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (null_out.get() < 0) {
      error = std::string("/dev/null: ") + std::strerror(errno);
      return false;
    }
    s.null_out = null_out.get();
  }
  return true;
}

// Reads the exec-failure pipe: 0 when the program was executed, else errno.
int read_report(int fd) {
  int err = 0;
  ssize_t n;
  do {
    n = ::read(fd, &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(sizeof err) ? err : 0;
}

std::string start_error(const std::string& program, int err) {
  return program + ": " + std::strerror(err);
}

pid_t wait_child(pid_t pid, int* status, int flags) {
  pid_t r;
  do {
    r = ::waitpid(pid, status, flags);
  } while (r < 0 && errno == EINTR);
  return r;
}

}  // namespace

ProcessResult process_run(const std::vector<std::string>& argv, const ProcessOptions& options,
                          int timeout_ms) {
  ProcessResult result;
  ChildSetup setup;
  Fd null_in, null_out;
  if (!prepare(argv, options, setup, null_in, null_out, result.error)) return result;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    result.error = std::string("pipe: ") + std::strerror(errno);
    return result;
  }
  Fd report_read(fds[0]), report_write(fds[1]);
  setup.report = fds[1];

  pid_t pid = ::fork();
  if (pid < 0) {
    result.error = std::string("fork: ") + std::strerror(errno);
    return result;
  }
  if (pid == 0) child_exec(setup);
  ::setpgid(pid, pid);  // also here, so that a kill never misses the group
  report_write.reset();
  int err = read_report(report_read.get());
  int status = 0;
  if (err != 0) {
    wait_child(pid, &status, 0);
    result.error = start_error(argv[0], err);
    return result;
  }

  using clock = std::chrono::steady_clock;
  const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    pid_t r = wait_child(pid, &status, WNOHANG);
    if (r == pid) break;
    if (r < 0) {  // not ours any more (someone reaped it): count it as ended
      result.status = ProcessStatus::finished;
      return result;
    }
    if (clock::now() >= deadline) {
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      wait_child(pid, &status, 0);
      result.status = ProcessStatus::timed_out;
      return result;
    }
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(20)) pause *= 2;
  }
  result.status = ProcessStatus::finished;
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

bool process_start(const std::vector<std::string>& argv, const ProcessOptions& options,
                   std::string& error) {
  ChildSetup setup;
  Fd null_in, null_out;
  if (!prepare(argv, options, setup, null_in, null_out, error)) return false;
  setup.new_session = true;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  Fd report_read(fds[0]), report_write(fds[1]);
  setup.report = fds[1];

  // Two forks: the middle process ends at once, so the program is adopted
  // by init and never becomes a zombie of ours.
  pid_t middle = ::fork();
  if (middle < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    return false;
  }
  if (middle == 0) {
    pid_t pid = ::fork();
    if (pid < 0) child_fail(setup.report, errno);
    if (pid == 0) child_exec(setup);
    _exit(0);
  }
  report_write.reset();
  int status = 0;
  wait_child(middle, &status, 0);
  int err = read_report(report_read.get());
  if (err != 0) {
    error = start_error(argv[0], err);
    return false;
  }
  return true;
}

}  // namespace platform
