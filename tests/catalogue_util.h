// Helpers of the bad-input catalogue: running a built program with its
// output captured, snapshots of a folder to prove that no earlier file was
// lost or cut, and (on Linux) a small file system of its own for the
// full-disk cases.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "testkit/testkit.h"

using testkit::file_exists;
using testkit::read_file;
using testkit::RunResult;
using testkit::TempDir;
using testkit::write_file;

// Runs program with args in folder cwd, with extra "NAME=value" entries put
// into the environment (an entry "NAME=" with nothing after removes NAME).
// Standard input is the null device, there is no display, and a run still
// going after 60 seconds is ended as a failure. A sanitizer report on
// standard error fails the test.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::vector<std::string>& env = {});

// Every regular file below folder, by path, with its bytes.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(const std::string& folder);

// The files of `before` that are missing from folder now or whose bytes
// changed, except those named in `may_change` (full paths). Empty when
// everything is intact.
std::vector<std::string> damaged_files(const Snapshot& before, const std::string& folder,
                                       const std::vector<std::string>& may_change = {});

#ifndef _WIN32
// A tmpfs of the given size mounted on a fresh folder, unmounted (lazily, if
// a file is still open) and removed on destruction. ok() is false with
// why() set when mounting is not permitted here.
class SmallDisk {
  public:
    explicit SmallDisk(long bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool ok() const { return mounted_; }
    const std::string& why() const { return why_; }
    const std::string& path() const { return dir_.path(); }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    // Fills the disk with a ballast file until only `leave` bytes are free.
    bool fill_leaving(long leave);

  private:
    TempDir dir_{"talvex-disk-"};
    bool mounted_ = false;
    std::string why_;
};
#endif
