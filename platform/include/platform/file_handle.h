// One owner type for C streams, and the one place where files are opened by
// name, so that names are taken as UTF-8 on every system.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace platform {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

// A stream closed when it goes out of scope. Code that must see the result of
// the close (a full disk shows there) calls close_file instead.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// fopen of a UTF-8 name with an fopen mode ("rb", "wb", "r", ...); null with
// errno set when it cannot be opened.
std::FILE* open_file(const std::string& path, const char* mode);

// Closes the stream held by f (if any): true when the close, and so the last
// write, succeeded.
bool close_file(FileHandle& f);

}  // namespace platform
