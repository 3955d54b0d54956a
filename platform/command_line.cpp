#include "platform/command_line.h"

#include <cstring>

namespace platform {

bool is_switch_argument(const char* arg) {
    if (arg[0] == '-')
        return true;
#ifdef _WIN32
    return arg[0] == '/';
#else
    return arg[0] == '/' && std::strchr(arg + 1, '/') == nullptr;
#endif
}

std::string windows_command_line(const std::vector<std::string>& argv) {
    std::string line;
    for (size_t i = 0; i < argv.size(); ++i) {
        if (i)
            line += ' ';
        const std::string& a = argv[i];
        if (!a.empty() && a.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += a;
            continue;
        }
        line += '"';
        size_t backslashes = 0;
        for (char c : a) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes before a quote are doubled and the quote escaped;
            // elsewhere they stand for themselves.
            line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, '\\'); // the closing quote follows
        line += '"';
    }
    return line;
}

} // namespace platform
