#include "platform/paths.h"

#include <sys/stat.h>

#include <vector>

#include "platform/files.h"

namespace platform {

std::string::size_type extension_dot(const std::string& path) {
  const auto slash = path.rfind(kPathSeparator);
  const auto dot = path.rfind('.');
  if (dot == std::string::npos) return std::string::npos;
  if (slash != std::string::npos && dot < slash) return std::string::npos;
  return dot;
}

std::string replace_extension(const std::string& path, const std::string& ext) {
  const auto dot = extension_dot(path);
  if (dot == std::string::npos) return path + ext;
  return path.substr(0, dot) + ext;
}

std::string file_name_part(const std::string& path) {
  const auto slash = path.rfind(kPathSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_part(const std::string& path) {
  const auto slash = path.rfind(kPathSeparator);
  if (slash == std::string::npos) return "";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string absolute_path(const std::string& path) {
  if (path.empty() || path[0] == kPathSeparator) return path;
  const std::string cwd = current_folder();
  if (cwd.empty()) return path;  // no usable current directory: keep the name as given
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
    if (j == std::string::npos) j = abs.size();
    const std::string part = abs.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += kPathSeparator + p;
  return out.empty() ? std::string(1, kPathSeparator) : out;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return normal_path(a) == normal_path(b);
}

}  // namespace platform
