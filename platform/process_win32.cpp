// Child processes on Windows: CreateProcess with a working folder and no
// console window, the command line quoted by the Windows rules, and a job
// object so that a child's whole tree ends with it.
#include <windows.h>

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
  void reset(HANDLE h = nullptr) {
    if (h_) CloseHandle(h_);
    h_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
  }

 private:
  HANDLE h_;
};

HANDLE open_null(DWORD access) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
}

// An inheritable copy of one of our standard handles, or null.
HANDLE inheritable(DWORD which) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
    return nullptr;
  return copy;
}

// Starts argv[0] suspended with standard input from NUL; fills pi.
bool create(const std::vector<std::string>& argv, const ProcessOptions& options, DWORD flags,
            PROCESS_INFORMATION& pi, std::string& error) {
  if (argv.empty() || argv[0].empty()) {
    error = "no program named";
    return false;
  }
  Handle in(open_null(GENERIC_READ));
  Handle out(options.quiet_output ? open_null(GENERIC_WRITE) : inheritable(STD_OUTPUT_HANDLE));
  Handle err(inheritable(STD_ERROR_HANDLE));
  if (!in.get()) {
    error = "NUL: " + system_error_text(GetLastError());
    return false;
  }

  // Only these three handles reach the child.
  std::vector<HANDLE> handles{in.get()};
  if (out.get()) handles.push_back(out.get());
  if (err.get()) handles.push_back(err.get());
  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = in.get();
  si.StartupInfo.hStdOutput = out.get();
  si.StartupInfo.hStdError = err.get();
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<unsigned char> attr_buf(size);
  auto* attrs = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attr_buf.data());
  bool with_list = size > 0 && InitializeProcThreadAttributeList(attrs, 1, 0, &size) &&
                   UpdateProcThreadAttribute(attrs, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                             handles.size() * sizeof(HANDLE), nullptr, nullptr);
  if (with_list) {
    si.lpAttributeList = attrs;
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }

  const std::wstring app = widen(argv[0]);
  std::wstring line = widen(windows_command_line(argv));
  const std::wstring folder = widen(options.working_folder);
  const BOOL ok = CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, TRUE,
                                 flags | CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT,
                                 nullptr, folder.empty() ? nullptr : folder.c_str(),
                                 &si.StartupInfo, &pi);
  const DWORD code = GetLastError();
  if (with_list) DeleteProcThreadAttributeList(attrs);
  if (!ok) {
    error = argv[0] + ": " + system_error_text(code);
    return false;
  }
  return true;
}

}  // namespace

ProcessResult process_run(const std::vector<std::string>& argv, const ProcessOptions& options,
                          int timeout_ms) {
  ProcessResult result;
  // Everything the child starts belongs to the job: ending the job ends the
  // tree, and closing our handle to it (also when we die) does the same.
  Handle job(CreateJobObjectW(nullptr, nullptr));
  if (!job.get()) {
    result.error = "job object: " + system_error_text(GetLastError());
    return result;
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

  PROCESS_INFORMATION pi{};
  if (!create(argv, options, CREATE_BREAKAWAY_FROM_JOB, pi, result.error) &&
      !create(argv, options, 0, pi, result.error))
    return result;
  result.error.clear();
  Handle process(pi.hProcess), thread(pi.hThread);
  AssignProcessToJobObject(job.get(), process.get());
  ResumeThread(thread.get());

  const DWORD wait = WaitForSingleObject(process.get(), timeout_ms < 0 ? 0 : static_cast<DWORD>(timeout_ms));
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

}  // namespace platform
