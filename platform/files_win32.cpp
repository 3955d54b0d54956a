// Files and folders on Windows, through the wide-character API so that names
// outside ASCII work. Attributes are Windows' own (hidden, system, read-only).
#include <windows.h>

#include <memory>

#include "platform/files.h"
#include "wide_win32.h"

namespace platform {
namespace {

bool attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return !path.empty() &&
           GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

std::string last_error() {
    return system_error_text(GetLastError());
}

struct FindCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE)
            FindClose(h);
    }
};

} // namespace

bool list_folder(const std::string& folder, std::vector<FolderEntry>& out, std::string& error) {
    out.clear();
    std::string pattern = folder.empty() ? std::string(".") : folder;
    if (!is_folder(pattern)) {
        error = file_exists(pattern) ? system_error_text(ERROR_DIRECTORY)
                                     : system_error_text(ERROR_PATH_NOT_FOUND);
        return false;
    }
    pattern += "\\*";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileExW(widen(pattern).c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                                nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return true; // an empty drive root
        error = last_error();
        return false;
    }
    std::unique_ptr<void, FindCloser> guard(h);
    do {
        const std::string name = narrow(fd.cFileName);
        if (name == "." || name == "..")
            continue;
        FolderEntry e;
        e.name = name;
        e.is_folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.hidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        e.system = (fd.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
        e.read_only = (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        e.size =
            e.is_folder ? 0 : (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        out.push_back(std::move(e));
    } while (FindNextFileW(h, &fd));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        error = last_error();
        return false;
    }
    return true;
}

int64_t file_length(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!attributes(path, d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
}

bool file_exists(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    return attributes(path, d);
}

bool is_folder(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    return attributes(path, d) && (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool is_readable(const std::string& path) {
    if (is_folder(path))
        return true;
    HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

bool is_writable(const std::string& path) {
    // Windows keeps no write permission on folders; a file's is its
    // read-only attribute.
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!attributes(path, d))
        return false;
    return (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
           !(d.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
}

bool copy_file(const std::string& from, const std::string& to, std::string& error, bool replace) {
    // CopyFile removes a partial target itself; with fail-if-exists it never
    // overwrites.
    if (!CopyFileW(widen(from).c_str(), widen(to).c_str(), replace ? FALSE : TRUE)) {
        error = last_error();
        return false;
    }
    return true;
}

bool delete_file(const std::string& path, std::string& error) {
    if (!DeleteFileW(widen(path).c_str())) {
        error = last_error();
        return false;
    }
    return true;
}

bool rename_file(const std::string& from, const std::string& to, std::string& error) {
    if (!MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = last_error();
        return false;
    }
    return true;
}

std::string current_folder() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0)
        return "";
    std::wstring w(n, L'\0');
    const DWORD m = GetCurrentDirectoryW(n, w.data());
    if (m == 0 || m >= n)
        return "";
    w.resize(m);
    return narrow(w);
}

std::string environment(const char* name) {
    const std::wstring wname = widen(name);
    const DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
    if (n == 0)
        return "";
    std::wstring w(n, L'\0');
    const DWORD m = GetEnvironmentVariableW(wname.c_str(), w.data(), n);
    if (m == 0 || m >= n)
        return "";
    w.resize(m);
    return narrow(w);
}

} // namespace platform
