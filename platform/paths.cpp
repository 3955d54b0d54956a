// Path rules shared by every system; what differs per system (absolute
// paths, file identity) is in paths_posix.cpp and paths_win32.cpp.
#include "platform/paths.h"

#include <cctype>

namespace platform {

std::string::size_type last_separator(const std::string& path) {
    for (auto i = path.size(); i > 0; --i)
        if (is_path_separator(path[i - 1]))
            return i - 1;
    return std::string::npos;
}

std::string::size_type extension_dot(const std::string& path) {
    const auto slash = last_separator(path);
    const auto dot = path.rfind('.');
    if (dot == std::string::npos)
        return std::string::npos;
    if (slash != std::string::npos && dot < slash)
        return std::string::npos;
    return dot;
}

std::string replace_extension(const std::string& path, const std::string& ext) {
    const auto dot = extension_dot(path);
    if (dot == std::string::npos)
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::string join_path(const std::string& folder, const std::string& name) {
    if (folder.empty() || is_path_separator(folder.back()))
        return folder + name;
    return folder + kPathSeparator + name;
}

std::string file_name_part(const std::string& path) {
    const auto slash = last_separator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_part(const std::string& path) {
    const auto slash = last_separator(path);
    if (slash == std::string::npos)
        return "";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string display_name(const std::string& path) {
    std::string name = path;
    if (kNamesIgnoreCase)
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

} // namespace platform
