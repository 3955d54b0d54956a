// One owner type for C streams, and the one place where files are opened by
// name, so that names are taken as UTF-8 on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace platform {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f)
            std::fclose(f);
    }
};

// A stream closed when it goes out of scope. Code that must see the result of
// the close (a full disk shows there) calls close_file instead.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// fopen of a UTF-8 name with an fopen mode ("rb", "wb", "r", ...); null with
// errno set when it cannot be opened. On Windows a mode without "b" opens a
// text stream (line ends written as "\r\n"); binary files need "b".
std::FILE* open_file(const std::string& path, const char* mode);

// fseek with a 64-bit offset (files beyond 2 GiB): 0 on success, -1 with
// errno set.
int seek_file(std::FILE* f, int64_t offset, int whence);

// The stream's position as a 64-bit offset, -1 with errno set on failure.
int64_t tell_file(std::FILE* f);

// Closes the stream held by f (if any): true when the close, and so the last
// write, succeeded.
bool close_file(FileHandle& f);

} // namespace platform
