// Path rules shared by every program: extension replacement on the file-name
// part, absolute paths and file identity.
#pragma once

#include <string>

namespace platform {

#ifdef _WIN32
// Built paths use "\\"; "/" is taken as a separator too when a path is read.
inline constexpr char kPathSeparator = '\\';
// File names do not differ by case: messages show them upper-cased and
// "the same file" ignores case.
inline constexpr bool kNamesIgnoreCase = true;
// Name suffix of programs.
inline constexpr const char* kProgramSuffix = ".exe";
#else
// The path separator of built paths.
inline constexpr char kPathSeparator = '/';
// Names keep their case on Linux: messages show them as they are.
inline constexpr bool kNamesIgnoreCase = false;
inline constexpr const char* kProgramSuffix = "";
#endif

// true for a character that separates the parts of a path on this system.
inline constexpr bool is_path_separator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// c as it may stand in a file name made from what a file holds (a location or
// channel code): a character the system does not take in names becomes '_'.
// On Windows that is \\ / : * ? " < > | and the control characters below
// 0x20; elsewhere '/' and NUL.
char file_name_char(char c);

// Offset of the last separator of path, or npos.
std::string::size_type last_separator(const std::string& path);

// Offset of the last "." of the file-name part of path (the part after the
// last separator), or npos when that part has none.
std::string::size_type extension_dot(const std::string& path);

// The name with the part from the last "." of its file name replaced by ext;
// a file name without "." gets ext appended. A dot in a folder name is never
// taken: "data.v2/rec" + ".msed" gives "data.v2/rec.msed".
std::string replace_extension(const std::string& path, const std::string& ext);

// folder + separator + name; no separator is added when folder is empty or
// already ends in one.
std::string join_path(const std::string& folder, const std::string& name);

// The file-name part of a path (everything after the last separator).
std::string file_name_part(const std::string& path);

// The folder part of a path without its trailing separator ("" when none).
std::string folder_part(const std::string& path);

// true for a path that does not depend on the current directory.
bool is_absolute_path(const std::string& path);

// An absolute form of path, joined to the current directory when relative;
// "" stays "" and a path is kept as given when there is no current directory.
std::string absolute_path(const std::string& path);

// A file name as messages show it: upper-cased where names ignore case.
std::string display_name(const std::string& path);

// true when a and b name the same file: the same file on disk when both
// exist (device and inode; on Windows volume and file index), else the same
// absolute path after "." and ".." parts are resolved (ignoring case on
// Windows).
bool same_file(const std::string& a, const std::string& b);

} // namespace platform
