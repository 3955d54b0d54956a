// Files and folders on POSIX.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {
namespace {

struct DirCloser {
    void operator()(DIR* d) const {
        if (d)
            closedir(d);
    }
};

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0)
            close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

} // namespace

bool list_folder(const std::string& folder, std::vector<FolderEntry>& out, std::string& error) {
    out.clear();
    const std::string dir = folder.empty() ? "." : folder;
    std::unique_ptr<DIR, DirCloser> d(opendir(dir.c_str()));
    if (!d) {
        error = std::strerror(errno);
        return false;
    }
    const std::string prefix = dir.back() == '/' ? dir : dir + "/";
    while (dirent* e = readdir(d.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        FolderEntry entry;
        entry.name = name;
        entry.hidden = name[0] == '.';
        const std::string path = prefix + name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) {
            entry.system = true; // vanished or a dangling link: not an ordinary file
        } else {
            entry.is_folder = S_ISDIR(st.st_mode);
            entry.system = !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode);
            entry.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
            entry.read_only = access(path.c_str(), W_OK) != 0;
        }
        out.push_back(std::move(entry));
    }
    return true;
}

int64_t file_length(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool file_exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool is_folder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_readable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}
bool is_writable(const std::string& path) {
    return access(path.c_str(), W_OK) == 0;
}

bool copy_file(const std::string& from, const std::string& to, std::string& error, bool replace) {
    Fd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    Fd out(open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL), 0666));
    if (out.fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = read(in.fd, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            unlink(to.c_str());
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(out.fd, buf + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                error = std::strerror(errno);
                unlink(to.c_str());
                return false;
            }
            done += w;
        }
    }
    if (close(out.fd) != 0) {
        out.fd = -1;
        error = std::strerror(errno);
        unlink(to.c_str());
        return false;
    }
    out.fd = -1;
    return true;
}

bool delete_file(const std::string& path, std::string& error) {
    if (unlink(path.c_str()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool rename_file(const std::string& from, const std::string& to, std::string& error) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

std::string current_folder() {
    std::vector<char> buf(4096);
    for (;;) {
        if (getcwd(buf.data(), buf.size()))
            return buf.data();
        if (errno != ERANGE || buf.size() > (1u << 20))
            return "";
        buf.resize(buf.size() * 2);
    }
}

std::string environment(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

} // namespace platform
