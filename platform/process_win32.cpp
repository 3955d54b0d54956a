// Child processes on Windows: CreateProcess with a working folder and no
// console window, the command line quoted by the Windows rules, and a job
// object so that a child's whole tree ends with it.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/process.h"
#include "wide_win32.h"

namespace platform {

namespace {

class Handle {
  public:
    explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }
    HANDLE get() const { return h_; }
    HANDLE release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void reset(HANDLE h = nullptr) {
        if (h_)
            CloseHandle(h_);
        h_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }

  private:
    HANDLE h_;
};

HANDLE open_null(DWORD access) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0,
                       nullptr);
}

// A file opened as an inheritable handle for a child: read, or written
// from its start (created or truncated).
HANDLE open_for_child(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// An inheritable copy of one of our standard handles, or null.
HANDLE inheritable(DWORD which) {
    HANDLE h = GetStdHandle(which);
    if (h == nullptr || h == INVALID_HANDLE_VALUE)
        return nullptr;
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

// Takes the entries of variable `name` (case ignored) out of `entries`.
void remove_variable(std::vector<std::wstring>& entries, const std::string& name) {
    const std::wstring prefix = widen(name) + L"=";
    std::erase_if(entries, [&](const std::wstring& e) {
        return e.size() >= prefix.size() &&
               CompareStringOrdinal(e.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                    static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
    });
}

// Our environment with `vars` set or replaced and `removed` taken out (names
// ignore case), as a CreateProcess block.
std::wstring environment_block(const std::vector<std::pair<std::string, std::string>>& vars,
                               const std::vector<std::string>& removed) {
    std::vector<std::wstring> entries;
    if (wchar_t* env = GetEnvironmentStringsW()) {
        for (const wchar_t* p = env; *p; p += wcslen(p) + 1)
            entries.emplace_back(p);
        FreeEnvironmentStringsW(env);
    }
    for (const std::string& name : removed)
        remove_variable(entries, name);
    for (const auto& [name, value] : vars) {
        remove_variable(entries, name);
        entries.push_back(widen(name) + L"=" + widen(value));
    }
    std::wstring block;
    for (const auto& e : entries)
        block += e + L'\0';
    block += L'\0';
    return block;
}

// What a child gets beyond the options: a standard error of our choosing, a
// further handle to inherit and variables to set.
struct Extra {
    HANDLE error = nullptr;
    HANDLE inherit = nullptr;
    std::vector<std::pair<std::string, std::string>> environment;
};

// Starts argv[0] suspended with standard input from NUL; fills pi.
bool create(const std::vector<std::string>& argv, const ProcessOptions& options, DWORD flags,
            PROCESS_INFORMATION& pi, std::string& error, const Extra& extra = Extra()) {
    if (argv.empty() || argv[0].empty()) {
        error = "no program named";
        return false;
    }
    Handle in(options.input_file.empty() ? open_null(GENERIC_READ)
                                         : open_for_child(options.input_file, false));
    if (!in.get()) {
        const std::string name = options.input_file.empty() ? "NUL" : options.input_file;
        error = name + ": " + system_error_text(GetLastError());
        return false;
    }
    Handle out;
    if (!options.output_file.empty()) {
        out.reset(open_for_child(options.output_file, true));
        if (!out.get()) {
            error = options.output_file + ": " + system_error_text(GetLastError());
            return false;
        }
    } else {
        out.reset(options.quiet_output ? open_null(GENERIC_WRITE) : inheritable(STD_OUTPUT_HANDLE));
    }
    const bool joined = !options.error_file.empty() && options.error_file == options.output_file;
    Handle err;
    if (!options.error_file.empty() && !joined) {
        err.reset(open_for_child(options.error_file, true));
        if (!err.get()) {
            error = options.error_file + ": " + system_error_text(GetLastError());
            return false;
        }
    } else if (!joined && !extra.error) {
        err.reset(inheritable(STD_ERROR_HANDLE));
    }
    HANDLE child_err = joined ? out.get() : err.get() ? err.get() : extra.error;

    // Only these handles reach the child.
    std::vector<HANDLE> handles{in.get()};
    if (out.get())
        handles.push_back(out.get());
    if (child_err && child_err != out.get())
        handles.push_back(child_err);
    if (extra.inherit)
        handles.push_back(extra.inherit);
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    si.StartupInfo.hStdInput = in.get();
    si.StartupInfo.hStdOutput = out.get();
    si.StartupInfo.hStdError = child_err;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> attr_buf(size);
    auto* attrs = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attr_buf.data());
    bool with_list =
        size > 0 && InitializeProcThreadAttributeList(attrs, 1, 0, &size) &&
        UpdateProcThreadAttribute(attrs, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                  handles.size() * sizeof(HANDLE), nullptr, nullptr);
    if (with_list) {
        si.lpAttributeList = attrs;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }

    const std::wstring app = widen(argv[0]);
    std::wstring line = widen(windows_command_line(argv));
    const std::wstring folder = widen(options.working_folder);
    auto vars = options.environment;
    vars.insert(vars.end(), extra.environment.begin(), extra.environment.end());
    std::wstring env = vars.empty() && options.removed_environment.empty()
                           ? std::wstring()
                           : environment_block(vars, options.removed_environment);
    const BOOL ok =
        CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, TRUE,
                       flags | CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT,
                       env.empty() ? nullptr : env.data(),
                       folder.empty() ? nullptr : folder.c_str(), &si.StartupInfo, &pi);
    const DWORD code = GetLastError();
    if (with_list)
        DeleteProcThreadAttributeList(attrs);
    if (!ok) {
        error = argv[0] + ": " + system_error_text(code);
        return false;
    }
    return true;
}

// A job that ends every process in it when it is closed or terminated.
HANDLE make_job() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// Handles kept in the int fields of ChildProcess: Windows handles are 32-bit
// values even in 64-bit processes.
int to_field(HANDLE h) {
    return h ? static_cast<int>(reinterpret_cast<intptr_t>(h)) : -1;
}
HANDLE from_field(int v) {
    return v == -1 ? nullptr : reinterpret_cast<HANDLE>(static_cast<intptr_t>(v));
}

} // namespace

ProcessResult process_run(const std::vector<std::string>& argv, const ProcessOptions& options,
                          int timeout_ms) {
    ProcessResult result;
    // Everything the child starts belongs to the job: ending the job ends the
    // tree, and closing our handle to it (also when we die) does the same.
    Handle job(make_job());
    if (!job.get()) {
        result.error = "job object: " + system_error_text(GetLastError());
        return result;
    }

    PROCESS_INFORMATION pi{};
    if (!create(argv, options, CREATE_BREAKAWAY_FROM_JOB, pi, result.error) &&
        !create(argv, options, 0, pi, result.error))
        return result;
    result.error.clear();
    Handle process(pi.hProcess), thread(pi.hThread);
    AssignProcessToJobObject(job.get(), process.get());
    ResumeThread(thread.get());

    const DWORD wait =
        WaitForSingleObject(process.get(), timeout_ms < 0 ? 0 : static_cast<DWORD>(timeout_ms));
    if (wait != WAIT_OBJECT_0) {
        TerminateJobObject(job.get(), 1);
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), INFINITE);
        result.status = ProcessStatus::timed_out;
        return result;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    result.status = ProcessStatus::finished;
    result.exit_code = static_cast<int>(code);
    return result;
}

bool process_start(const std::vector<std::string>& argv, const ProcessOptions& options,
                   std::string& error) {
    PROCESS_INFORMATION pi{};
    // Outside any job of ours, in a group of its own: it outlives us.
    if (!create(argv, options, CREATE_BREAKAWAY_FROM_JOB | CREATE_NEW_PROCESS_GROUP, pi, error) &&
        !create(argv, options, CREATE_NEW_PROCESS_GROUP, pi, error))
        return false;
    error.clear();
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

ChildProcess::~ChildProcess() {
    if (pid_ != -1)
        cancel();
    close_pipes();
}

bool ChildProcess::start(const std::vector<std::string>& argv, const ProcessOptions& options,
                         std::string& error) {
    if (pid_ != -1) {
        error = "a child is already running";
        return false;
    }
    close_pipes();
    progress_.clear();
    error_text_.clear();
    result_ = ProcessResult();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Extra extra;
    Handle progress_write, error_write;
    HANDLE r = nullptr, w = nullptr;
    if (!options.progress_variable.empty()) {
        if (!CreatePipe(&r, &w, &inherit, 0)) {
            error = "pipe: " + system_error_text(GetLastError());
            return false;
        }
        SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
        progress_fd_ = to_field(r);
        progress_write.reset(w);
        extra.inherit = w;
        // The child finds its end by the handle's number.
        extra.environment.emplace_back(options.progress_variable,
                                       std::to_string(reinterpret_cast<uintptr_t>(w)));
    }
    if (options.capture_error && options.error_file.empty()) {
        if (!CreatePipe(&r, &w, &inherit, 0)) {
            error = "pipe: " + system_error_text(GetLastError());
            close_pipes();
            return false;
        }
        SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
        error_fd_ = to_field(r);
        error_write.reset(w);
        extra.error = w;
    }
    Handle job(make_job());
    PROCESS_INFORMATION pi{};
    if (!job.get() || (!create(argv, options, CREATE_BREAKAWAY_FROM_JOB, pi, error, extra) &&
                       !create(argv, options, 0, pi, error, extra))) {
        if (!job.get())
            error = "job object: " + system_error_text(GetLastError());
        close_pipes();
        return false;
    }
    error.clear();
    AssignProcessToJobObject(job.get(), pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    pid_ = to_field(pi.hProcess);
    job_ = to_field(job.release());
    return true;
}

void ChildProcess::read_pipes() {
    char buf[4096];
    for (int* fd : {&progress_fd_, &error_fd_}) {
        while (*fd != -1) {
            HANDLE h = from_field(*fd);
            DWORD avail = 0;
            if (!PeekNamedPipe(h, nullptr, 0, nullptr, &avail, nullptr)) { // every writer is gone
                CloseHandle(h);
                *fd = -1;
                break;
            }
            if (avail == 0)
                break;
            DWORD n = 0;
            if (!ReadFile(h, buf, avail < sizeof buf ? avail : sizeof buf, &n, nullptr) || n == 0)
                break;
            if (fd == &progress_fd_) {
                // A reader that stopped reading must not let this grow without end.
                if (progress_.size() > (1u << 20))
                    progress_.erase(0, progress_.size() / 2);
                progress_.append(buf, n);
            } else {
                error_text_.append(buf, n);
                constexpr size_t kKeep = 64 * 1024;
                if (error_text_.size() > kKeep)
                    error_text_.erase(0, error_text_.size() - kKeep);
            }
        }
    }
}

void ChildProcess::close_pipes() {
    for (int* fd : {&progress_fd_, &error_fd_}) {
        if (*fd != -1)
            CloseHandle(from_field(*fd));
        *fd = -1;
    }
    if (pid_ == -1 && job_ != -1) {
        CloseHandle(from_field(job_));
        job_ = -1;
    }
}

bool ChildProcess::poll(int wait_ms) {
    if (pid_ == -1)
        return false;
    HANDLE process = from_field(pid_);
    // Wakes for the child's end; what it writes is taken in every 10 ms.
    DWORD waited = 0;
    DWORD wait = WAIT_TIMEOUT;
    do {
        read_pipes();
        if (!progress_.empty())
            break;
        const DWORD limit = wait_ms < 0 ? 0 : static_cast<DWORD>(wait_ms);
        const DWORD step = limit - waited < 10 ? limit - waited : 10;
        wait = WaitForSingleObject(process, step);
        waited += step;
    } while (wait == WAIT_TIMEOUT && waited < static_cast<DWORD>(wait_ms < 0 ? 0 : wait_ms));
    if (wait == WAIT_TIMEOUT)
        wait = WaitForSingleObject(process, 0);
    read_pipes();
    if (wait == WAIT_TIMEOUT)
        return true;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    pid_ = -1;
    result_.status = ProcessStatus::finished;
    result_.exit_code = static_cast<int>(code);
    read_pipes();
    close_pipes();
    return false;
}

void ChildProcess::cancel() {
    if (pid_ == -1)
        return;
    HANDLE process = from_field(pid_);
    // The job holds the child and everything it started.
    if (job_ != -1)
        TerminateJobObject(from_field(job_), 1);
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    pid_ = -1;
    read_pipes();
    close_pipes();
    result_.status = ProcessStatus::cancelled;
    result_.exit_code = -1;
    result_.signal = 0;
}

std::string ChildProcess::take_progress() {
    std::string out;
    out.swap(progress_);
    return out;
}

void ChildProcess::close_progress() {
    if (progress_fd_ != -1)
        CloseHandle(from_field(progress_fd_));
    progress_fd_ = -1;
}

} // namespace platform
