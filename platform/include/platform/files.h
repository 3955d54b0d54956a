// Files and folders: listing with attributes and sizes, lengths, copies,
// deletion and the current directory. Names beginning with "." count as
// hidden; a "system" file is anything that is neither a regular file nor a
// folder (devices, sockets, pipes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct FolderEntry {
    std::string name; // name inside the folder, no path
    bool is_folder = false;
    bool hidden = false;
    bool system = false;
    bool read_only = false; // no write permission for us
    uint64_t size = 0;      // bytes, 0 for folders
};

// Lists a folder (without "." and ".."), following symbolic links for the
// attributes. True on success; false with `error` set to the system's text.
bool list_folder(const std::string& folder, std::vector<FolderEntry>& out, std::string& error);

// Case-insensitive match of a name against a pattern with "*" and "?".
bool name_matches(const std::string& name, const std::string& pattern);

// Length of a file in bytes, -1 when it cannot be taken.
int64_t file_length(const std::string& path);

bool file_exists(const std::string& path);
bool is_folder(const std::string& path);
bool is_readable(const std::string& path);
bool is_writable(const std::string& path);

// Copies a file's bytes, replacing `to` (or, with `replace` false, only
// when `to` does not exist yet). True on success; false with `error` set (a
// partial target is removed).
bool copy_file(const std::string& from, const std::string& to, std::string& error,
               bool replace = true);

// Deletes a file: true on success, false with `error` set.
bool delete_file(const std::string& path, std::string& error);

// Renames (moves) a file within one file system, replacing `to`.
bool rename_file(const std::string& from, const std::string& to, std::string& error);

// The current directory, empty when it cannot be read.
std::string current_folder();

// Value of an environment variable, empty when unset.
std::string environment(const char* name);

} // namespace platform
