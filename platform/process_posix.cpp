#include "platform/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
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
    int null_out = -1;  // -1: keep our standard output
    int report = -1;    // write end of the exec-failure pipe
    int error_out = -1; // -1: keep our standard error
    int keep = -1;      // the program inherits it as descriptor 3 (progress pipe)
    bool new_session = false;
    std::vector<std::string> env;
    std::vector<char*> envp; // empty: our environment
};

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
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
    if (::dup2(s.null_in, 0) < 0)
        child_fail(s.report, errno);
    if (s.null_out >= 0 && ::dup2(s.null_out, 1) < 0)
        child_fail(s.report, errno);
    if (s.error_out >= 0 && ::dup2(s.error_out, 2) < 0)
        child_fail(s.report, errno);
    if (s.folder && ::chdir(s.folder) != 0)
        child_fail(s.report, errno);
        // Nothing of ours beyond 0, 1 and 2 reaches the program; the report pipe
        // closes itself on a successful exec.
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */) != 0)
#endif
    {
        for (int fd = 3; fd < 1024; ++fd) {
            if (fd != s.report)
                ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    // Descriptor 3, so that any writer (a shell script too) can use it.
    if (s.keep >= 0 && ::dup2(s.keep, 3) < 0)
        child_fail(s.report, errno);
    if (s.envp.empty()) {
        ::execv(s.argv[0], s.argv.data());
    } else {
        ::execve(s.argv[0], s.argv.data(), s.envp.data());
    }
    child_fail(s.report, errno);
}

// Our environment with `vars` set or replaced and `removed` taken out, for
// execve.
void set_environment(ChildSetup& s, const std::vector<std::pair<std::string, std::string>>& vars,
                     const std::vector<std::string>& removed) {
    s.env.clear();
    for (char** e = environ; e && *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const auto& [name, value] : vars) {
            if (entry.compare(0, name.size() + 1, name + "=") == 0)
                replaced = true;
        }
        for (const std::string& name : removed) {
            if (entry.compare(0, name.size() + 1, name + "=") == 0)
                replaced = true;
        }
        if (!replaced)
            s.env.push_back(entry);
    }
    for (const auto& [name, value] : vars)
        s.env.push_back(name + "=" + value);
    s.envp.clear();
    for (auto& e : s.env)
        s.envp.push_back(e.data());
    s.envp.push_back(nullptr);
}

// The descriptors a child gets as 0, 1 and 2, ours until it has them.
struct StandardFiles {
    Fd in, out, err;
};

// Opens `path` for the child (close-on-exec in us); false with `error` set.
bool open_for_child(Fd& fd, const std::string& path, int flags, std::string& error) {
    fd.reset(::open(path.c_str(), flags | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool prepare(const std::vector<std::string>& argv, const ProcessOptions& options, ChildSetup& s,
             StandardFiles& files, std::string& error) {
    if (argv.empty() || argv[0].empty()) {
        error = "no program named";
        return false;
    }
    s.args = argv;
    for (auto& a : s.args)
        s.argv.push_back(a.data());
    s.argv.push_back(nullptr);
    if (!options.working_folder.empty())
        s.folder = options.working_folder.c_str();
    if (!options.environment.empty() || !options.removed_environment.empty())
        set_environment(s, options.environment, options.removed_environment);
    const std::string input = options.input_file.empty() ? "/dev/null" : options.input_file;
    if (!open_for_child(files.in, input, O_RDONLY, error))
        return false;
    s.null_in = files.in.get();
    constexpr int kWrite = O_WRONLY | O_CREAT | O_TRUNC;
    if (!options.output_file.empty()) {
        if (!open_for_child(files.out, options.output_file, kWrite, error))
            return false;
    } else if (options.quiet_output && !open_for_child(files.out, "/dev/null", O_WRONLY, error)) {
        return false;
    }
    s.null_out = files.out.get();
    if (!options.error_file.empty()) {
        if (options.error_file == options.output_file) {
            s.error_out = s.null_out;
        } else {
            if (!open_for_child(files.err, options.error_file, kWrite, error))
                return false;
            s.error_out = files.err.get();
        }
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

} // namespace

ProcessResult process_run(const std::vector<std::string>& argv, const ProcessOptions& options,
                          int timeout_ms) {
    ProcessResult result;
    ChildSetup setup;
    StandardFiles files;
    if (!prepare(argv, options, setup, files, result.error))
        return result;
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
    if (pid == 0)
        child_exec(setup);
    ::setpgid(pid, pid); // also here, so that a kill never misses the group
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
        if (r == pid)
            break;
        if (r < 0) { // not ours any more (someone reaped it): count it as ended
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
        if (pause < std::chrono::milliseconds(20))
            pause *= 2;
    }
    result.status = ProcessStatus::finished;
    if (WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

bool process_start(const std::vector<std::string>& argv, const ProcessOptions& options,
                   std::string& error) {
    ChildSetup setup;
    StandardFiles files;
    if (!prepare(argv, options, setup, files, error))
        return false;
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
        if (pid < 0)
            child_fail(setup.report, errno);
        if (pid == 0)
            child_exec(setup);
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

ChildProcess::~ChildProcess() {
    if (pid_ > 0)
        cancel();
    close_pipes();
}

bool ChildProcess::start(const std::vector<std::string>& argv, const ProcessOptions& options,
                         std::string& error) {
    if (pid_ > 0) {
        error = "a child is already running";
        return false;
    }
    close_pipes();
    progress_.clear();
    error_text_.clear();
    result_ = ProcessResult();
    ChildSetup setup;
    StandardFiles files;
    if (!prepare(argv, options, setup, files, error))
        return false;
    int fds[2];
    Fd progress_write, error_write;
    if (!options.progress_variable.empty()) {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            error = std::string("pipe: ") + std::strerror(errno);
            return false;
        }
        // The child's end blocks as a normal pipe would; only ours is polled.
        ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) & ~O_NONBLOCK);
        progress_fd_ = fds[0];
        // Above 3, which it becomes in the child.
        progress_write.reset(::fcntl(fds[1], F_DUPFD_CLOEXEC, 10));
        ::close(fds[1]);
        if (progress_write.get() < 0) {
            error = std::string("fcntl: ") + std::strerror(errno);
            close_pipes();
            return false;
        }
        setup.keep = progress_write.get();
        auto vars = options.environment;
        vars.emplace_back(options.progress_variable, "3");
        set_environment(setup, vars, options.removed_environment);
    }
    if (options.capture_error && options.error_file.empty()) {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            error = std::string("pipe: ") + std::strerror(errno);
            close_pipes();
            return false;
        }
        ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) & ~O_NONBLOCK);
        error_fd_ = fds[0];
        error_write.reset(fds[1]);
        setup.error_out = fds[1];
    }
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        close_pipes();
        return false;
    }
    Fd report_read(fds[0]), report_write(::fcntl(fds[1], F_DUPFD_CLOEXEC, 10));
    ::close(fds[1]);
    setup.report = report_write.get();

    pid_t pid = report_write.get() < 0 ? -1 : ::fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close_pipes();
        return false;
    }
    if (pid == 0)
        child_exec(setup);
    ::setpgid(pid, pid);
    report_write.reset();
    progress_write.reset();
    error_write.reset();
    int err = read_report(report_read.get());
    if (err != 0) {
        int status = 0;
        wait_child(pid, &status, 0);
        error = start_error(argv[0], err);
        close_pipes();
        return false;
    }
    pid_ = pid;
    return true;
}

void ChildProcess::read_pipes() {
    char buf[4096];
    for (int* fd : {&progress_fd_, &error_fd_}) {
        while (*fd >= 0) {
            ssize_t n = ::read(*fd, buf, sizeof buf);
            if (n > 0) {
                if (fd == &progress_fd_) {
                    // A reader that stopped reading must not let this grow without end.
                    if (progress_.size() > (1u << 20))
                        progress_.erase(0, progress_.size() / 2);
                    progress_.append(buf, static_cast<size_t>(n));
                } else {
                    error_text_.append(buf, static_cast<size_t>(n));
                    constexpr size_t kKeep = 64 * 1024;
                    if (error_text_.size() > kKeep)
                        error_text_.erase(0, error_text_.size() - kKeep);
                }
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0) { // every writer is gone
                ::close(*fd);
                *fd = -1;
            }
            break;
        }
    }
}

void ChildProcess::close_pipes() {
    for (int* fd : {&progress_fd_, &error_fd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool ChildProcess::poll(int wait_ms) {
    if (pid_ <= 0)
        return false;
    pollfd fds[2];
    nfds_t n = 0;
    for (int fd : {progress_fd_, error_fd_}) {
        if (fd >= 0)
            fds[n++] = pollfd{fd, POLLIN, 0};
    }
    if (n > 0) {
        ::poll(fds, n, wait_ms < 0 ? 0 : wait_ms);
    } else if (wait_ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
    }
    read_pipes();
    int status = 0;
    pid_t r = wait_child(pid_, &status, WNOHANG);
    if (r == 0)
        return true;
    pid_ = -1;
    result_.status = ProcessStatus::finished;
    if (r == pid_t(-1))
        return false; // reaped elsewhere: counted as ended
    if (WIFEXITED(status))
        result_.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result_.signal = WTERMSIG(status);
    // What it wrote last; a grandchild that keeps the pipes open is not waited for.
    read_pipes();
    close_pipes();
    return false;
}

void ChildProcess::cancel() {
    if (pid_ <= 0)
        return;
    const pid_t pid = pid_;
    ::kill(-pid, SIGTERM);
    ::kill(pid, SIGTERM);
    int status = 0;
    pid_t r = 0;
    for (int i = 0; i < 50 && (r = wait_child(pid, &status, WNOHANG)) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Whatever of the group is left (or ignored TERM) ends now.
    ::kill(-pid, SIGKILL);
    if (r == 0) {
        ::kill(pid, SIGKILL);
        wait_child(pid, &status, 0);
    }
    pid_ = -1;
    read_pipes();
    close_pipes();
    result_.status = ProcessStatus::cancelled;
    result_.exit_code = -1;
    result_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

std::string ChildProcess::take_progress() {
    std::string out;
    out.swap(progress_);
    return out;
}

void ChildProcess::close_progress() {
    if (progress_fd_ >= 0)
        ::close(progress_fd_);
    progress_fd_ = -1;
}

} // namespace platform
