#include "paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

std::string::size_type extension_dot(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos)
        return std::string::npos;
    if (slash != std::string::npos && dot < slash)
        return std::string::npos;
    return dot;
}

std::string replace_extension(const std::string& path, const std::string& ext)
{
    const auto dot = extension_dot(path);
    if (dot == std::string::npos)
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::string full_path(const std::string& name)
{
    if (name.empty() || name[0] == '/')
        return name;
    std::vector<char> buf(4096);
    while (getcwd(buf.data(), buf.size()) == nullptr) {
        if (buf.size() > (1u << 20))
            return name; // no usable current directory: keep the name as given
        buf.resize(buf.size() * 2);
    }
    std::string dir(buf.data());
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir + name;
}

// Resolves "." and ".." and repeated "/" of an absolute path, lexically.
static std::string normal_path(const std::string& path)
{
    const std::string abs = full_path(path);
    std::vector<std::string> parts;
    std::string::size_type i = 0;
    while (i <= abs.size()) {
        auto j = abs.find('/', i);
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
        out += "/" + p;
    return out.empty() ? "/" : out;
}

bool same_file(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return normal_path(a) == normal_path(b);
}
