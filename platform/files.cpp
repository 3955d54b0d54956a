// File rules shared by every system.
#include <cctype>

#include "platform/files.h"

namespace platform {
namespace {

bool match_from(const char* n, const char* p) {
    for (; *p; ++p) {
        if (*p == '*') {
            for (const char* s = n;; ++s) {
                if (match_from(s, p + 1))
                    return true;
                if (!*s)
                    return false;
            }
        }
        if (!*n)
            return false;
        if (*p != '?' && std::tolower(static_cast<unsigned char>(*p)) !=
                             std::tolower(static_cast<unsigned char>(*n)))
            return false;
        ++n;
    }
    return *n == '\0';
}

} // namespace

bool name_matches(const std::string& name, const std::string& pattern) {
    return match_from(name.c_str(), pattern.c_str());
}

} // namespace platform
