// Temporary folders on Windows: GetTempPath, and a folder made with a unique
// name (a new folder in the user's temp folder is the user's own).
#include <windows.h>

#include <cstdio>

#include "platform/paths.h"
#include "platform/temp_folder.h"
#include "wide_win32.h"

namespace platform {

std::string temp_folder() {
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    std::wstring w(buf, n > 0 && n <= MAX_PATH ? n : 0);
    while (w.size() > 3 && (w.back() == L'\\' || w.back() == L'/'))
        w.pop_back();
    return w.empty() ? std::string(".") : narrow(w);
}

std::string make_private_folder(const std::string& prefix, std::string& error,
                                const std::string& base) {
    const std::string where = base.empty() ? temp_folder() : base;
    std::string folder = where;
    if (folder.empty() || !is_path_separator(folder.back()))
        folder += '\\';
    // Tries names until one is new: a folder that exists is never taken over.
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    unsigned long long seed =
        static_cast<unsigned long long>(t.QuadPart) ^ (GetCurrentProcessId() * 2654435761ULL);
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        char unique[16];
        std::snprintf(unique, sizeof unique, "%06llx", (seed >> 40) & 0xffffff);
        const std::string name = folder + prefix + unique;
        if (CreateDirectoryW(widen(name).c_str(), nullptr))
            return absolute_path(name);
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            error = "cannot make a folder in " + where + ": " + system_error_text(GetLastError());
            return "";
        }
    }
    error = "cannot make a folder in " + where + ": no free name";
    return "";
}

} // namespace platform
