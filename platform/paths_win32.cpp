// Absolute paths and file identity on Windows: drive letters and UNC names,
// names compared without regard to case, one file is one volume and index.
#include <windows.h>

#include <cctype>
#include <cwctype>

#include "platform/paths.h"
#include "wide_win32.h"

namespace platform {

char file_name_char(char c) {
    if (static_cast<unsigned char>(c) < 0x20)
        return '_';
    switch (c) {
    case '\\':
    case '/':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return '_';
    default:
        return c;
    }
}

bool is_absolute_path(const std::string& path) {
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        is_path_separator(path[2]))
        return true;
    return path.size() >= 2 && is_path_separator(path[0]) && is_path_separator(path[1]);
}

std::string absolute_path(const std::string& path) {
    if (path.empty())
        return path;
    const std::wstring w = widen(path);
    const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return path;
    std::wstring full(n, L'\0');
    const DWORD m = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    if (m == 0 || m >= n)
        return path;
    full.resize(m);
    return narrow(full);
}

namespace {

bool file_identity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h =
        CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}

std::wstring folded(const std::string& path) {
    std::wstring w = widen(absolute_path(path));
    for (wchar_t& c : w) {
        if (c == L'/')
            c = L'\\';
        c = static_cast<wchar_t>(std::towupper(c));
    }
    while (w.size() > 3 && w.back() == L'\\')
        w.pop_back();
    return w;
}

} // namespace

bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (file_identity(a, ia) && file_identity(b, ib))
        return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
               ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
    // GetFullPathName has resolved "." and ".."; names ignore case.
    return folded(a) == folded(b);
}

} // namespace platform
