// The command interpreter on Windows: %COMSPEC% /c, as the hardcopy command
// has always been run there.
#include <windows.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/shell.h"
#include "wide_win32.h"

namespace platform {

std::string shell_quote(const std::string& word) {
    // cmd.exe has no escape inside quotes, and Windows names hold no '"'.
    std::string q = "\"";
    for (char c : word)
        if (c != '"')
            q += c;
    q += '"';
    return q;
}

int shell_run(const std::string& command, int& status) {
    status = 0;
    std::string comspec = environment("COMSPEC");
    if (comspec.empty()) {
        wchar_t system[MAX_PATH];
        const UINT n = GetSystemDirectoryW(system, MAX_PATH);
        comspec = narrow(std::wstring(system, n)) + "\\cmd.exe";
    }
    // /s with the whole command in one pair of quotes: cmd takes what is
    // between them literally, quoted program names and file names included.
    std::wstring line = L"\"" + widen(comspec) + L"\" /s /c \"" + widen(command) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(widen(comspec).c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &si, &pi)) {
        switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return EINVAL;
        }
    }
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    status = static_cast<int>(code);
    return 0;
}

} // namespace platform
