// Absolute paths and file identity on POSIX: "/" begins an absolute path,
// names keep their case, one file is one device and inode.
#include <sys/stat.h>

#include <vector>

#include "platform/files.h"
#include "platform/paths.h"

namespace platform {

char file_name_char(char c) {
    return (c == '/' || c == '\0') ? '_' : c;
}

bool is_absolute_path(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

std::string absolute_path(const std::string& path) {
    if (path.empty() || is_absolute_path(path))
        return path;
    const std::string cwd = current_folder();
    if (cwd.empty())
        return path; // no usable current directory: keep the name as given
    return cwd.back() == kPathSeparator ? cwd + path : cwd + kPathSeparator + path;
}

namespace {

// Resolves "." and ".." and repeated separators of an absolute path, lexically.
std::string normal_path(const std::string& path) {
    const std::string abs = absolute_path(path);
    std::vector<std::string> parts;
    std::string::size_type i = 0;
    while (i <= abs.size()) {
        auto j = abs.find(kPathSeparator, i);
        if (j == std::string::npos)
            j = abs.size();
        const std::string part = abs.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const auto& p : parts)
        out += kPathSeparator + p;
    return out.empty() ? std::string(1, kPathSeparator) : out;
}

} // namespace

bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return normal_path(a) == normal_path(b);
}

} // namespace platform
