#include "catalogue_util.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::vector<std::string>& env) {
    RunResult r;
    TempDir io;
    const std::string out_path = io / "stdout", err_path = io / "stderr";
    const pid_t pid = fork();
    if (pid < 0)
        return r;
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0)
            _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const std::string& e : env) {
            const auto eq = e.find('=');
            const std::string name = e.substr(0, eq), value = e.substr(eq + 1);
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        // No display: the programs must not open a window in these runs.
        unsetenv("DISPLAY");
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        alarm(60);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = read_file(out_path);
    r.err = read_file(err_path);
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
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file())
            s[it->path().string()] = read_file(it->path().string());
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

TempDir::TempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/talvex-catalogue-XXXXXX";
    if (char* made = mkdtemp(pattern.data()))
        path_ = made;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty())
        fs::remove_all(path_, ec);
}

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
