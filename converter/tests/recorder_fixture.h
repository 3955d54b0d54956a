// Helpers of the converter tests: a private temporary folder, recorder
// fixtures written in-process, running the built programs, reading files.
#pragma once

#include "recorder_writer.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// A temporary folder removed with its contents at the end of the test.
class TempDir {
  public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "talvex-test-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data()) != nullptr)
            path_ = buf.data();
    }
    ~TempDir() {
        std::error_code ec;
        // Read-only files and folders made by a test must go too.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool file_exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A recorder description with the given channels (site TALV1, compressed).
inline RecorderPlan make_plan(std::vector<std::pair<std::string, std::string>> names_locations,
                              int subframes = 3) {
    RecorderPlan plan;
    for (const auto& [name, loc] : names_locations) {
        GenChannel ch;
        ch.name = name;
        ch.location = loc;
        plan.channels.push_back(ch);
    }
    plan.subframes = subframes;
    plan.start_ms = 1158920430750; // 2006-09-22 10:20:30.750 (day 265)
    return plan;
}

inline void write_recorder(const RecorderPlan& plan, const std::string& path) {
    std::string error;
    ASSERT_TRUE(recorder_write(plan, path, &error)) << error;
}

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs program with args in folder dir; standard output and error captured.
inline RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                             const std::string& dir) {
    RunResult r;
    const std::string out_file = dir + "/.stdout";
    const std::string err_file = dir + "/.stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(127);
        if (!std::freopen(out_file.c_str(), "w", stdout) ||
            !std::freopen(err_file.c_str(), "w", stderr))
            _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = read_file(out_file);
    r.err = read_file(err_file);
    std::remove(out_file.c_str());
    std::remove(err_file.c_str());
    return r;
}

#include <suds/suds.h>

// One channel of a SUDS work file as pass 1 wrote it.
struct SudsChannel {
    SudsStationComp sc;
    SudsDescripTrace dt;
    std::int32_t dt_data_length = 0;
    std::vector<std::int32_t> samples;
};

// Reads every StationComp + DescripTrace + samples of a SUDS file.
inline std::vector<SudsChannel> read_suds_channels(const std::string& path) {
    std::vector<SudsChannel> out;
    const int fd = suds_open(path.c_str(), SUDS_MODE_READ);
    EXPECT_GT(fd, 0) << suds_error_text();
    if (fd <= 0)
        return out;
    SudsRecord rec;
    int rc;
    while ((rc = suds_read_struct(fd, &rec)) == 1) {
        if (rec.type == SUDS_STATION_COMP) {
            out.emplace_back();
            suds_record_get(rec, &out.back().sc);
        } else if (rec.type == SUDS_DESCRIP_TRACE && !out.empty()) {
            SudsChannel& ch = out.back();
            suds_record_get(rec, &ch.dt);
            ch.dt_data_length = rec.data_length;
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rec.data_length));
            if (!bytes.empty()) {
                EXPECT_EQ(suds_read_data(fd, bytes.data(), rec.data_length), 1);
            }
            for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
                const std::uint32_t u = bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                                        static_cast<std::uint32_t>(bytes[i + 3]) << 24;
                ch.samples.push_back(static_cast<std::int32_t>(u));
            }
        }
    }
    EXPECT_EQ(rc, -1) << suds_error_text();
    suds_close(fd);
    return out;
}
