#include <windows.h>

#include <cstdio>

#include "platform/paths.h"
#include "platform/temp_folder.h"
#include "wide_win32.h"

namespace platform {

std::string temp_base_folder() {
    wchar_t buf[MAX_PATH + 2];
    const DWORD n = GetTempPathW(MAX_PATH + 2, buf);
    std::string base = n > 0 && n < MAX_PATH + 2 ? narrow(std::wstring(buf, n)) : std::string();
    while (base.size() > 3 && is_path_separator(base.back()))
        base.pop_back();
    return base.empty() ? std::string(".") : base;
}

bool make_private_folder(const std::string& base, const std::string& prefix, std::string& folder,
                         std::string& error) {
    // Folders under the user's temp folder are the user's alone; the name
    // only has to be new, which CreateDirectory decides.
    std::string root = base;
    if (!root.empty() && !is_path_separator(root.back()))
        root += '\\';
    unsigned long long seed =
        GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20);
    for (int tries = 0; tries < 1000; ++tries) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%06llX", (seed >> 40) & 0xFFFFFF);
        const std::string path = root + prefix + suffix;
        if (CreateDirectoryW(widen(path).c_str(), nullptr)) {
            folder = absolute_path(path);
            return true;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_ALREADY_EXISTS) {
            error = "cannot make a folder in " + base + ": " + system_error_text(code);
            return false;
        }
    }
    error = "cannot make a folder in " + base + ": no free name";
    return false;
}

} // namespace platform
