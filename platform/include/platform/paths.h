// Path rules shared by every program: extension replacement on the file-name
// part, absolute paths and file identity.
#pragma once

#include <string>

namespace platform {

// The path separator of built paths.
inline constexpr char kPathSeparator = '/';

// Offset of the last "." of the file-name part of path (the part after the
// last separator), or npos when that part has none.
std::string::size_type extension_dot(const std::string& path);

// The name with the part from the last "." of its file name replaced by ext;
// a file name without "." gets ext appended. A dot in a folder name is never
// taken: "data.v2/rec" + ".msed" gives "data.v2/rec.msed".
std::string replace_extension(const std::string& path, const std::string& ext);

// The file-name part of a path (everything after the last separator).
std::string file_name_part(const std::string& path);

// The folder part of a path without its trailing separator ("" when none).
std::string folder_part(const std::string& path);

// An absolute form of path, joined to the current directory when relative;
// "" stays "" and a path is kept as given when there is no current directory.
std::string absolute_path(const std::string& path);

// true when a and b name the same file: the same device and inode when both
// exist, else the same absolute path after "." and ".." parts are resolved.
bool same_file(const std::string& a, const std::string& b);

}  // namespace platform
