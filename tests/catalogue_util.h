// Helpers of the bad-input catalogue: running a built program with its
// output captured, snapshots of a folder to prove that no earlier file was
// lost or cut, and a small file system of its own for the full-disk cases.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct RunResult {
    int status = -1; // exit status; 128 + signal number when killed
    std::string out; // standard output
    std::string err; // standard error
};

// Runs program with args in folder cwd, with extra "NAME=value" entries put
// into the environment (an entry "NAME=" with nothing after removes NAME).
// Standard input is /dev/null. Killed after 60 seconds.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::vector<std::string>& env = {});

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);

// Every regular file below folder, by path, with its bytes.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(const std::string& folder);

// The files of `before` that are missing from folder now or whose bytes
// changed, except those named in `may_change` (full paths). Empty when
// everything is intact.
std::vector<std::string> damaged_files(const Snapshot& before, const std::string& folder,
                                       const std::vector<std::string>& may_change = {});

// A private temporary folder, removed with everything in it on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

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
    TempDir dir_;
    bool mounted_ = false;
    std::string why_;
};
