#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::ProcessOptions;
using platform::ProcessStatus;

namespace {

// A killed process that waits for its new parent to reap it.
bool zombie(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    auto paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z';
}

class ProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/process_test.XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string read(const std::string& name) {
        std::ifstream in(dir_ / name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Polls for a file that a detached child writes.
    bool wait_for(const std::string& name) {
        for (int i = 0; i < 500; ++i) {
            if (fs::exists(dir_ / name) && !read(name).empty())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    std::string path(const std::string& name) { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(ProcessTest, ArgumentsArriveWhole) {
    ProcessOptions o;
    auto r = platform::process_run({"/bin/sh", "-c", "for a; do echo \"[$a]\"; done > \"$0.out\"",
                                    path("args"), "with blank", "", "$HOME;rm -rf x", "*"},
                                   o, 10000);
    ASSERT_EQ(r.status, ProcessStatus::finished) << r.error;
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(read("args.out"), "[with blank]\n[]\n[$HOME;rm -rf x]\n[*]\n");
}

TEST_F(ProcessTest, ExitCodeSignalAndWorkingFolder) {
    ProcessOptions o;
    o.working_folder = dir_.string();
    auto r = platform::process_run({"/bin/sh", "-c", "pwd > here; exit 3"}, o, 10000);
    ASSERT_EQ(r.status, ProcessStatus::finished) << r.error;
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(fs::path(read("here").substr(0, read("here").size() - 1)), fs::canonical(dir_));

    r = platform::process_run({"/bin/sh", "-c", "kill -TERM $$"}, o, 10000);
    ASSERT_EQ(r.status, ProcessStatus::finished);
    EXPECT_EQ(r.exit_code, -1);
    EXPECT_EQ(r.signal, SIGTERM);

    o.working_folder = path("missing");
    r = platform::process_run({"/bin/true"}, o, 10000);
    EXPECT_EQ(r.status, ProcessStatus::start_failed);
}

TEST_F(ProcessTest, ProgramThatCannotRunIsAStartFailure) {
    auto r = platform::process_run({path("nothing-here")}, {}, 10000);
    EXPECT_EQ(r.status, ProcessStatus::start_failed);
    EXPECT_NE(r.error.find("nothing-here"), std::string::npos);

    std::ofstream(path("plain")) << "not a program\n";
    r = platform::process_run({path("plain")}, {}, 10000);
    EXPECT_EQ(r.status, ProcessStatus::start_failed);

    // No PATH search: a bare name is a path relative to the working folder.
    r = platform::process_run({"sh", "-c", "true"}, {}, 10000);
    EXPECT_EQ(r.status, ProcessStatus::start_failed);

    r = platform::process_run({}, {}, 10000);
    EXPECT_EQ(r.status, ProcessStatus::start_failed);
}

TEST_F(ProcessTest, OverrunKillsTheWholeGroup) {
    // The child starts a grandchild and both would outlive the limit (which
    // leaves the shell ample time to note their ids, even on a loaded machine).
    auto r = platform::process_run(
        {"/bin/sh", "-c", "sleep 60 & echo $! > \"$0.pids\"; echo $$ >> \"$0.pids\"; wait",
         path("group")},
        {}, 1500);
    ASSERT_EQ(r.status, ProcessStatus::timed_out) << r.error;
    std::istringstream pids(read("group.pids"));
    int pid = 0, count = 0;
    while (pids >> pid) {
        ++count;
        // The grandchild is reaped by init soon after the kill; poll for it.
        bool gone = false;
        for (int i = 0; i < 500 && !gone; ++i) {
            gone = ::kill(pid, 0) != 0 || zombie(pid);
            if (!gone)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(gone) << "process " << pid << " still runs";
    }
    EXPECT_EQ(count, 2);
}

TEST_F(ProcessTest, ChildSeesNullInputAndNoDescriptorOfOurs) {
    int fd = ::open(path("held").c_str(), O_WRONLY | O_CREAT, 0600); // no O_CLOEXEC
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::dup2(fd, 57), 57);
    auto r = platform::process_run(
        {"/bin/sh", "-c",
         "if [ -e /proc/$$/fd/57 ]; then echo open; else echo closed; fi > \"$0.fd\";"
         " cat > \"$0.in\"",
         path("child")},
        {}, 10000);
    ::close(57);
    ::close(fd);
    ASSERT_EQ(r.status, ProcessStatus::finished) << r.error;
    EXPECT_EQ(read("child.fd"), "closed\n");
    EXPECT_EQ(read("child.in"), "");
}

TEST_F(ProcessTest, QuietOutputGoesNowhere) {
    // Our standard output is captured by gtest's runner only through the
    // file we point it to here, so redirect it to a file for the check.
    fflush(stdout);
    int saved = ::dup(1);
    int f = ::open(path("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(f, 0);
    ::dup2(f, 1);
    ProcessOptions o;
    o.quiet_output = true;
    auto quiet = platform::process_run({"/bin/echo", "hidden"}, o, 10000);
    auto loud = platform::process_run({"/bin/echo", "shown"}, {}, 10000);
    ::dup2(saved, 1);
    ::close(saved);
    ::close(f);
    EXPECT_EQ(quiet.status, ProcessStatus::finished);
    EXPECT_EQ(loud.status, ProcessStatus::finished);
    EXPECT_EQ(read("stdout"), "shown\n");
}

TEST_F(ProcessTest, StandardFilesAndRemovedVariables) {
    std::ofstream(path("in.txt")) << "typed\n";
    setenv("TEST_GONE", "here", 1);
    ProcessOptions o;
    o.input_file = path("in.txt");
    o.output_file = path("out.txt");
    o.error_file = path("err.txt");
    o.removed_environment = {"TEST_GONE"};
    const char* script = "read l; echo \"$l ${TEST_GONE-unset}\"; echo oops >&2";
    auto r = platform::process_run({"/bin/sh", "-c", script}, o, 20000);
    EXPECT_EQ(r.exit_code, 0) << r.error;
    EXPECT_EQ(read("out.txt"), "typed unset\n");
    EXPECT_EQ(read("err.txt"), "oops\n");
    // One name for both joins them in order.
    o.error_file = o.output_file;
    r = platform::process_run({"/bin/sh", "-c", "echo a; echo b >&2; echo c"}, o, 20000);
    EXPECT_EQ(read("out.txt"), "a\nb\nc\n");
    o.input_file = path("absent.txt");
    r = platform::process_run({"/bin/sh", "-c", "true"}, o, 20000);
    EXPECT_EQ(r.status, ProcessStatus::start_failed);
    EXPECT_NE(r.error.find("absent.txt: "), std::string::npos) << r.error;
    unsetenv("TEST_GONE");
}

TEST_F(ProcessTest, DetachedStartRunsOnItsOwn) {
    std::string error;
    ProcessOptions o;
    o.working_folder = dir_.string();
    ASSERT_TRUE(
        platform::process_start({"/bin/sh", "-c", "sleep 0.2; echo $PPID > done", "x"}, o, error))
        << error;
    ASSERT_TRUE(wait_for("done"));
    // It was adopted, so nothing is left for us to reap.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_NE(std::atoi(read("done").c_str()), ::getpid());

    EXPECT_FALSE(platform::process_start({path("absent")}, o, error));
    EXPECT_NE(error.find("absent"), std::string::npos);
}

} // namespace

namespace {

class WatchedChild : public ProcessTest {};

TEST_F(WatchedChild, ReadsProgressAndErrorsWithTheVariableInTheChildOnly) {
    ProcessOptions o;
    o.progress_variable = "TEST_PROGRESS_FD";
    o.capture_error = true;
    o.environment = {{"TEST_EXTRA", "x y"}};
    platform::ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start({"/bin/sh", "-c",
                             "echo \"progress 1 1 0 2\" >&$TEST_PROGRESS_FD; sleep 0.2;"
                             " echo \"progress 1 1 2 2\" >&$TEST_PROGRESS_FD;"
                             " echo \"ERROR: $TEST_EXTRA\" >&2; exit 3"},
                            o, error))
        << error;
    std::string progress;
    int polls = 0;
    while (child.poll(20)) {
        progress += child.take_progress();
        ++polls;
    }
    progress += child.take_progress();
    EXPECT_GT(polls, 2); // the caller got control back while the child worked
    EXPECT_EQ(progress, "progress 1 1 0 2\nprogress 1 1 2 2\n");
    EXPECT_EQ(child.error_output(), "ERROR: x y\n");
    EXPECT_EQ(child.result().status, ProcessStatus::finished);
    EXPECT_EQ(child.result().exit_code, 3);
    EXPECT_EQ(getenv("TEST_PROGRESS_FD"), nullptr);
    // A shell can write to it: the number is a single digit.
    platform::ChildProcess shell;
    ASSERT_TRUE(
        shell.start({"/bin/sh", "-c", "echo $TEST_PROGRESS_FD >&$TEST_PROGRESS_FD"}, o, error));
    while (shell.poll(20)) {
    }
    EXPECT_EQ(shell.take_progress(), "3\n");
}

TEST_F(WatchedChild, CancelEndsTheWholeGroup) {
    platform::ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start({"/bin/sh", "-c",
                             "sleep 60 & echo $! > \"$0.pids\"; echo $$ >> \"$0.pids\"; wait",
                             path("group")},
                            {}, error));
    ASSERT_TRUE(wait_for("group.pids"));
    while (read("group.pids").find('\n') == read("group.pids").rfind('\n'))
        child.poll(10);
    child.cancel();
    EXPECT_EQ(child.result().status, ProcessStatus::cancelled);
    std::istringstream pids(read("group.pids"));
    int pid = 0;
    while (pids >> pid) {
        bool gone = false;
        for (int i = 0; i < 500 && !gone; ++i) {
            gone = ::kill(pid, 0) != 0 || zombie(pid);
            if (!gone)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(gone) << "process " << pid << " still runs";
    }
    EXPECT_FALSE(child.poll(0));
    platform::ChildProcess missing;
    EXPECT_FALSE(missing.start({path("none")}, {}, error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

} // namespace
