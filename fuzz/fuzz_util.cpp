#include "fuzz_util.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

struct Scratch {
    std::string path;
    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/talvex-fuzz-XXXXXX";
        if (char* made = mkdtemp(pattern.data()))
            path = made;
        else
            std::abort();
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

} // namespace

const std::string& fuzz_scratch() {
    static Scratch scratch;
    return scratch.path;
}

std::string fuzz_write_file(const char* name, const std::uint8_t* data, std::size_t size) {
    std::string path = fuzz_scratch() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    return path;
}

void fuzz_quiet_stdout() {
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
}
