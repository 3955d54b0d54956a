#include "catalogue_util.h"

#include <filesystem>

#ifndef _WIN32
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>
#endif

#include <gtest/gtest.h>

namespace fs = std::filesystem;

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::vector<std::string>& env) {
    testkit::RunOptions options;
    options.env = env;
    // No display: the programs must not open a window in these runs.
    options.env.push_back("DISPLAY=");
    options.timeout_seconds = 60;
    RunResult r = testkit::run_program(program, args, cwd, options);
    // The programs' messages are console text: "\r\n" line ends on Windows,
    // never mixed with bare ones.
    EXPECT_FALSE(testkit::has_bare_line_feed(r.out)) << program << " stdout:\n" << r.out;
    EXPECT_FALSE(testkit::has_bare_line_feed(r.err)) << program << " stderr:\n" << r.err;
    r.out = testkit::plain_lines(r.out);
    r.err = testkit::plain_lines(r.err);
    // In the sanitized build a fault of the program ends it with status 1
    // too, which the cases expect for a refusal: the report tells them apart.
    if (r.err.find("runtime error:") != std::string::npos ||
        r.err.find("Sanitizer") != std::string::npos)
        ADD_FAILURE() << program << " hit a sanitizer fault:\n" << r.err;
    return r;
}

Snapshot snapshot(const std::string& folder) {
    Snapshot s;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(testkit::fs_path(folder), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file()) {
            const std::u8string name = it->path().u8string();
            const std::string path(name.begin(), name.end());
            s[path] = read_file(path);
        }
    return s;
}

std::vector<std::string> damaged_files(const Snapshot& before, const std::string& folder,
                                       const std::vector<std::string>& may_change) {
    const Snapshot now = snapshot(folder);
    std::vector<std::string> damaged;
    for (const auto& [path, bytes] : before) {
        bool exempt = false;
        for (const std::string& m : may_change)
            exempt |= (m == path);
        if (exempt)
            continue;
        const auto it = now.find(path);
        if (it == now.end())
            damaged.push_back(path + " (lost)");
        else if (it->second != bytes)
            damaged.push_back(path + " (" + std::to_string(bytes.size()) + " bytes, now " +
                              std::to_string(it->second.size()) + ")");
    }
    return damaged;
}

#ifndef _WIN32
SmallDisk::SmallDisk(long bytes) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (mount("tmpfs", dir_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
        mounted_ = true;
    } else {
        why_ = std::string("cannot mount a small tmpfs here (") + std::strerror(errno) +
               "); the full-disk case needs root with mount permitted";
    }
}

SmallDisk::~SmallDisk() {
    if (mounted_ && umount(dir_.path().c_str()) != 0)
        umount2(dir_.path().c_str(), MNT_DETACH);
}

bool SmallDisk::fill_leaving(long leave) {
    struct statvfs v;
    if (statvfs(dir_.path().c_str(), &v) != 0)
        return false;
    const long long avail = static_cast<long long>(v.f_bavail) * static_cast<long long>(v.f_frsize);
    long long want = avail - leave;
    if (want <= 0)
        return true;
    std::FILE* f = std::fopen((dir_ / "ballast").c_str(), "wb");
    if (!f)
        return false;
    std::string block(4096, 'b');
    while (want > 0) {
        const std::size_t n = want < 4096 ? static_cast<std::size_t>(want) : 4096;
        if (std::fwrite(block.data(), 1, n, f) != n)
            break;
        want -= static_cast<long long>(n);
    }
    std::fclose(f);
    return true;
}
#endif
