#include "testkit/testkit.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace testkit {

fs::path fs_path(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string join(const std::string& folder, const std::string& name) {
    return platform::join_path(folder, name);
}

TempDir::TempDir(const std::string& prefix) {
    std::string error;
    path_ = platform::make_private_folder(prefix, error);
    // Without its folder a test would write beside whatever runs it: it ends
    // here (the test framework reports the exception as the test's failure).
    if (path_.empty())
        throw std::runtime_error("no scratch folder: " + error);
}

TempDir::~TempDir() {
    if (path_.empty())
        return;
    std::error_code ec;
    const fs::path root = fs_path(path_);
    // Entries a test made read-only must go too.
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
}

ScratchDir::ScratchDir(const std::string& prefix) : TempDir(prefix) {
    std::error_code ec;
    old_cwd_ = fs::current_path(ec);
    if (!path().empty())
        fs::current_path(fs_path(path()), ec);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::current_path(old_cwd_, ec);
}

std::string read_file(const std::string& path) {
    std::ifstream in(fs_path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(fs_path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs_path(path), ec);
}

#ifdef _WIN32
void set_env(const std::string& name, const std::string& value) {
    const fs::path n = fs_path(name), v = fs_path(value);
    SetEnvironmentVariableW(n.c_str(), v.c_str());
}

void unset_env(const std::string& name) {
    SetEnvironmentVariableW(fs_path(name).c_str(), nullptr);
}
#else
void set_env(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void unset_env(const std::string& name) {
    unsetenv(name.c_str());
}
#endif

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const RunOptions& options) {
    RunResult r;
    TempDir io("talvex-run-");
    platform::ProcessOptions o;
    o.working_folder = cwd;
    o.input_file = options.input_file;
    o.output_file = io / "stdout";
    o.error_file = options.join_error ? o.output_file : io / "stderr";
    for (const std::string& e : options.env) {
        const auto eq = e.find('=');
        const std::string name = e.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : e.substr(eq + 1);
        if (value.empty())
            o.removed_environment.push_back(name);
        else
            o.environment.emplace_back(name, value);
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    const platform::ProcessResult p =
        platform::process_run(argv, o, options.timeout_seconds * 1000);
    switch (p.status) {
    case platform::ProcessStatus::finished:
        r.status = p.signal != 0 ? 128 + p.signal : p.exit_code;
        break;
    case platform::ProcessStatus::timed_out:
        ADD_FAILURE() << program << " still ran after " << options.timeout_seconds << " s";
        break;
    default:
        ADD_FAILURE() << program << " could not be started: " << p.error;
        break;
    }
    r.out = read_file(o.output_file);
    if (!options.join_error)
        r.err = read_file(o.error_file);
    return r;
}

} // namespace testkit

namespace testkit {

std::string plain_lines(const std::string& text) {
#ifdef _WIN32
    std::string s;
    s.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            s += text[i];
    return s;
#else
    return text;
#endif
}

std::string text_lines(const std::string& text) {
#ifdef _WIN32
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
#else
    return text;
#endif
}

bool has_bare_line_feed(const std::string& text) {
#ifdef _WIN32
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return true;
#else
    (void)text;
#endif
    return false;
}

} // namespace testkit
