// The Windows layer (run under Wine in the cross build): path rules, names
// outside ASCII, text and binary streams, processes and console keys.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../wide_win32.h"
#include "platform/console.h"
#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/progress_channel.h"
#include "platform/shell.h"

namespace {

// This test program doubles as the child of the process tests: the variable
// PLATFORM_TEST_CHILD names what the child does, before main runs.
std::string child_env(const char* name) {
    return platform::environment(name);
}

void write_text(const std::string& path, const std::string& text) {
    platform::FileHandle f(platform::open_file(path, "wb"));
    if (f)
        std::fwrite(text.data(), 1, text.size(), f.get());
}

const bool g_child = [] {
    const std::string mode = child_env("PLATFORM_TEST_CHILD");
    if (mode.empty())
        return false;
    const std::string out = child_env("PLATFORM_TEST_OUT");
    if (mode == "args") {
        int n = 0;
        LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
        std::string text = platform::current_folder() + "\n";
        for (int i = 1; i < n; ++i)
            text += platform::narrow(w[i]) + "\n";
        write_text(out, text);
        ExitProcess(7);
    }
    if (mode == "keys") {
        const bool waiting = platform::console_key_waiting();
        const int key = platform::console_read_key(false);
        write_text(out, std::string(waiting ? "waiting" : "none") + " " + std::to_string(key));
        ExitProcess(0);
    }
    if (mode == "tree") {
        // Starts a grandchild that sleeps, names its id, then sleeps itself.
        SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", L"sleep");
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(self, nullptr, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                           nullptr, &si, &pi))
            write_text(out, std::to_string(pi.dwProcessId));
        Sleep(60000);
        ExitProcess(0);
    }
    if (mode == "progress") {
        const int fd = platform::inherited_write_descriptor("PLATFORM_TEST_PROGRESS");
        const std::string line = fd >= 0 ? "pass 1 50%\n" : "no channel\n";
        platform::write_descriptor(fd, line.data(), line.size());
        std::fputs("ERROR: cause\n", stderr);
        std::fflush(stderr);
        ExitProcess(5);
    }
    if (mode == "echo") {
        // A line from standard input to standard output, a line to standard
        // error, and whether PLATFORM_TEST_OUT reached us.
        char line[64] = "";
        if (!std::fgets(line, sizeof line, stdin))
            line[0] = 0;
        std::printf("%s%s\n", line, out.empty() ? "unset" : "set");
        std::fputs("oops\n", stderr);
        ExitProcess(0);
    }
    if (mode == "sleep") {
        Sleep(60000);
        ExitProcess(0);
    }
    ExitProcess(99);
}();

std::string self_path() {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return platform::narrow(std::wstring(self, n));
}

std::string slurp(const std::string& path) {
    std::ifstream in(std::filesystem::path(platform::widen(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Win32 : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = platform::narrow((std::filesystem::temp_directory_path() /
                                 (std::string("platform_") + info->name() + " \xC3\xA4\xCE\x94"))
                                    .wstring());
        std::error_code ec;
        std::filesystem::remove_all(platform::widen(dir_), ec);
        std::filesystem::create_directories(platform::widen(dir_), ec);
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", nullptr);
        std::error_code ec;
        std::filesystem::remove_all(platform::widen(dir_), ec);
    }
    std::string file(const std::string& name) const { return dir_ + "\\" + name; }
    std::string dir_;
};

} // namespace

TEST(Win32Paths, BackslashesAndTheFileNamePart) {
    EXPECT_EQ(platform::kPathSeparator, '\\');
    EXPECT_EQ(std::string(platform::kProgramSuffix), ".exe");
    EXPECT_EQ(platform::replace_extension("C:\\data.v2\\rec", ".msed"), "C:\\data.v2\\rec.msed");
    EXPECT_EQ(platform::replace_extension("C:\\data.v2/rec.cd11", ".wtx"), "C:\\data.v2/rec.wtx");
    EXPECT_EQ(platform::file_name_part("C:\\a\\b/rec.cd11"), "rec.cd11");
    EXPECT_EQ(platform::folder_part("C:\\a\\rec.cd11"), "C:\\a");
    EXPECT_TRUE(platform::is_absolute_path("C:\\x"));
    EXPECT_TRUE(platform::is_absolute_path("\\\\server\\share\\x"));
    EXPECT_FALSE(platform::is_absolute_path("rec.cd11"));
    EXPECT_FALSE(platform::is_absolute_path("/v"));
    EXPECT_EQ(platform::absolute_path("rec.cd11"), platform::current_folder() + "\\rec.cd11");
    EXPECT_EQ(platform::display_name("c:\\Tmp\\rec.cd11"), "C:\\TMP\\REC.CD11");
}

TEST_F(Win32, SameFileIgnoresCase) {
    write_text(file("Rec.cd11"), "x");
    EXPECT_TRUE(platform::same_file(file("Rec.cd11"), file("REC.CD11")));
    EXPECT_TRUE(platform::same_file(file("Rec.cd11"), dir_ + "\\sub\\..\\rec.cd11"));
    EXPECT_TRUE(platform::same_file(file("gone.cd11"), file("GONE.CD11"))); // by name
    EXPECT_FALSE(platform::same_file(file("Rec.cd11"), file("other.cd11")));
}

TEST_F(Win32, FilesWithNamesOutsideAscii) {
    const std::string name = "Aufnahme \xC3\xBC\xE2\x82\xAC.cd11"; // "Aufnahme ü€.cd11"
    write_text(file(name), "12345");
    EXPECT_TRUE(platform::file_exists(file(name)));
    EXPECT_EQ(platform::file_length(file(name)), 5);
    EXPECT_TRUE(platform::is_readable(file(name)));
    EXPECT_TRUE(platform::is_folder(dir_));
    std::vector<platform::FolderEntry> entries;
    std::string error;
    ASSERT_TRUE(platform::list_folder(dir_, entries, error)) << error;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, name);
    EXPECT_EQ(entries[0].size, 5u);

    // A copy that must not overwrite refuses; rename and delete work by name.
    EXPECT_TRUE(platform::copy_file(file(name), file("copy.cd11"), error, false)) << error;
    EXPECT_FALSE(platform::copy_file(file(name), file("copy.cd11"), error, false));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(platform::rename_file(file("copy.cd11"), file("\xCE\xB1.cd11"), error)) << error;
    EXPECT_EQ(slurp(file("\xCE\xB1.cd11")), "12345");
    EXPECT_TRUE(platform::delete_file(file("\xCE\xB1.cd11"), error)) << error;
    EXPECT_FALSE(platform::file_exists(file("\xCE\xB1.cd11")));
    EXPECT_FALSE(platform::delete_file(file("\xCE\xB1.cd11"), error));
    EXPECT_FALSE(platform::list_folder(file("missing"), entries, error));

    SetFileAttributesW(platform::widen(file(name)).c_str(),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(platform::list_folder(dir_, entries, error));
    EXPECT_TRUE(entries[0].hidden);
    EXPECT_TRUE(entries[0].read_only);
    EXPECT_FALSE(platform::is_writable(file(name)));
    SetFileAttributesW(platform::widen(file(name)).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32, TextStreamsGetWindowsLineEndsBinaryStreamsKeepTheirBytes) {
    {
        platform::FileHandle t(platform::open_file(file("log.txt"), "w"));
        ASSERT_TRUE(t);
        std::fputs("one\ntwo\n", t.get());
        platform::FileHandle b(platform::open_file(file("data.bin"), "wb"));
        std::fputs("one\ntwo\r\n", b.get());
    }
    EXPECT_EQ(slurp(file("log.txt")), "one\r\ntwo\r\n");
    EXPECT_EQ(slurp(file("data.bin")), "one\ntwo\r\n");
    platform::FileHandle b(platform::open_file(file("data.bin"), "rb"));
    ASSERT_EQ(platform::seek_file(b.get(), 4, SEEK_SET), 0);
    EXPECT_EQ(platform::tell_file(b.get()), 4);
}

TEST_F(Win32, EnvironmentIsUtf8) {
    SetEnvironmentVariableW(L"SUDS_ETC", platform::widen(dir_).c_str());
    EXPECT_EQ(platform::environment("SUDS_ETC"), dir_);
    SetEnvironmentVariableW(L"SUDS_ETC", nullptr);
    EXPECT_EQ(platform::environment("SUDS_ETC"), "");
    EXPECT_FALSE(platform::environment("COMSPEC").empty());
}

TEST_F(Win32, ChildGetsItsArgumentsAndWorkingFolder) {
    SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", L"args");
    SetEnvironmentVariableW(L"PLATFORM_TEST_OUT", platform::widen(file("args.txt")).c_str());
    platform::ProcessOptions options;
    options.working_folder = dir_;
    const std::vector<std::string> args{self_path(), "/v", "my rec.cd11",          "say \"hi\"",
                                        "C:\\end\\", "",   "\xC3\xA4\xCE\x94.cd11"};
    const auto r = platform::process_run(args, options, 20000);
    ASSERT_EQ(r.status, platform::ProcessStatus::finished) << r.error;
    EXPECT_EQ(r.exit_code, 7);
    std::string expect = dir_ + "\n";
    for (size_t i = 1; i < args.size(); ++i)
        expect += args[i] + "\n";
    EXPECT_EQ(slurp(file("args.txt")), expect);
}

TEST_F(Win32, ATimeLimitEndsTheChildAndItsTree) {
    SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", L"tree");
    SetEnvironmentVariableW(L"PLATFORM_TEST_OUT", platform::widen(file("pid.txt")).c_str());
    const auto start = std::chrono::steady_clock::now();
    const auto r = platform::process_run({self_path()}, {}, 3000);
    EXPECT_EQ(r.status, platform::ProcessStatus::timed_out);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    const std::string pid = slurp(file("pid.txt"));
    ASSERT_FALSE(pid.empty()) << "the child started no grandchild";
    HANDLE g = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(pid)));
    if (g) {
        EXPECT_EQ(WaitForSingleObject(g, 5000), WAIT_OBJECT_0) << "the grandchild outlived the job";
        CloseHandle(g);
    }
}

TEST_F(Win32, MissingProgramFailsToStartAndKeysNeverBlockWithoutAConsole) {
    auto r = platform::process_run({file("none.exe")}, {}, 5000);
    EXPECT_EQ(r.status, platform::ProcessStatus::start_failed);
    EXPECT_NE(r.error.find("none.exe: "), std::string::npos) << r.error;
    std::string error;
    EXPECT_FALSE(platform::process_start({file("none.exe")}, {}, error));

    // Standard input of a child is NUL: no key is waiting, reading returns -1.
    SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", L"keys");
    SetEnvironmentVariableW(L"PLATFORM_TEST_OUT", platform::widen(file("keys.txt")).c_str());
    r = platform::process_run({self_path()}, {}, 20000);
    ASSERT_EQ(r.status, platform::ProcessStatus::finished) << r.error;
    EXPECT_EQ(slurp(file("keys.txt")), "none -1");
}

TEST_F(Win32, StandardFilesAndRemovedVariables) {
    write_text(file("in.txt"), "typed\n");
    SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", L"echo");
    SetEnvironmentVariableW(L"PLATFORM_TEST_OUT", L"x");
    platform::ProcessOptions o;
    o.input_file = file("in.txt");
    o.output_file = file("out.txt");
    o.error_file = file("err.txt");
    o.removed_environment = {"platform_test_out"}; // names ignore case here
    auto r = platform::process_run({self_path()}, o, 20000);
    ASSERT_EQ(r.status, platform::ProcessStatus::finished) << r.error;
    EXPECT_EQ(slurp(file("out.txt")), "typed\r\nunset\r\n");
    EXPECT_EQ(slurp(file("err.txt")), "oops\r\n");
    o.error_file = o.output_file;
    o.removed_environment.clear();
    r = platform::process_run({self_path()}, o, 20000);
    EXPECT_EQ(slurp(file("out.txt")), "typed\r\nset\r\noops\r\n");
    SetEnvironmentVariableW(L"PLATFORM_TEST_OUT", nullptr);
}

TEST_F(Win32, WatchedChildReportsProgressAndCauseAndCancelEndsItsTree) {
    SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", L"progress");
    platform::ProcessOptions options;
    options.progress_variable = "PLATFORM_TEST_PROGRESS";
    options.capture_error = true;
    platform::ChildProcess child;
    std::string error, progress;
    ASSERT_TRUE(child.start({self_path()}, options, error)) << error;
    for (int i = 0; i < 2000 && child.poll(10);)
        progress += child.take_progress();
    progress += child.take_progress();
    EXPECT_EQ(child.result().status, platform::ProcessStatus::finished);
    EXPECT_EQ(child.result().exit_code, 5);
    EXPECT_EQ(progress, "pass 1 50%\n");
    EXPECT_NE(child.error_output().find("ERROR: cause"), std::string::npos) << child.error_output();

    SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", L"tree");
    SetEnvironmentVariableW(L"PLATFORM_TEST_OUT", platform::widen(file("pid.txt")).c_str());
    platform::ChildProcess tree;
    ASSERT_TRUE(tree.start({self_path()}, {}, error)) << error;
    std::string pid;
    for (int i = 0; i < 500 && (pid = slurp(file("pid.txt"))).empty(); ++i)
        tree.poll(20);
    ASSERT_FALSE(pid.empty());
    tree.cancel();
    EXPECT_EQ(tree.result().status, platform::ProcessStatus::cancelled);
    HANDLE g = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(pid)));
    if (g) {
        EXPECT_EQ(WaitForSingleObject(g, 5000), WAIT_OBJECT_0)
            << "the grandchild outlived the cancel";
        CloseHandle(g);
    }
}

TEST_F(Win32, MappedWindowReadsAFileByItsWideName) {
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    write_text(file("\xCE\x94.cd11"), bytes);
    platform::MappedFile m;
    ASSERT_TRUE(m.open(file("\xCE\x94.cd11")));
    EXPECT_EQ(m.size(), 200000);
    const uint8_t* v = m.view(70000, 100); // past the first 64 KiB grain
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(v), 100), bytes.substr(70000, 100));
    EXPECT_EQ(m.view(199990, 11), nullptr);
    EXPECT_FALSE(m.open(file("missing.cd11")));
}

TEST_F(Win32, HardcopyCommandRunsThroughTheCommandInterpreterWithQuotedNames) {
    int status = -1;
    ASSERT_EQ(platform::shell_run("exit 4", status), 0);
    EXPECT_EQ(status, 4);
    // A program and a plot file whose names hold blanks.
    std::string error;
    ASSERT_TRUE(platform::copy_file(self_path(), file("my printer.exe"), error)) << error;
    SetEnvironmentVariableW(L"PLATFORM_TEST_CHILD", L"args");
    SetEnvironmentVariableW(L"PLATFORM_TEST_OUT", platform::widen(file("args.txt")).c_str());
    ASSERT_EQ(platform::shell_run(platform::shell_quote(file("my printer.exe")) + " " +
                                      platform::shell_quote(file("plot 0001.plx")),
                                  status),
              0);
    EXPECT_EQ(status, 7);
    EXPECT_NE(slurp(file("args.txt")).find("\n" + file("plot 0001.plx") + "\n"), std::string::npos)
        << slurp(file("args.txt"));
}
