// File names of a conversion run: extension replacement and full paths.
#pragma once

#include <string>

// The name with the part from the last "." of its file name (the part after
// the last "/") replaced by ext; a file name without "." gets ext appended.
// A dot in a folder name is never taken: "data.v2/rec" + ".msed" gives
// "data.v2/rec.msed".
std::string replace_extension(const std::string& path, const std::string& ext);

// Offset of the last "." of the file name part of path, or npos when none.
std::string::size_type extension_dot(const std::string& path);

// The name made absolute against the current directory ("" stays "").
std::string full_path(const std::string& name);

// true when a and b name the same file: the same device and inode when both
// exist, else the same path after "." and ".." parts are resolved.
bool same_file(const std::string& a, const std::string& b);
