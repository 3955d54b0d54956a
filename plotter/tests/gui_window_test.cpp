// Plot mode 1 under Xvfb: the sheet appears in its window and Escape pressed in
// the window ends the run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "test_util.h"

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int keep_fd,
            const std::string& out) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const std::string& e : env)
        putenv(const_cast<char*>(e.c_str()));
    const int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(o, 1);
    dup2(o, 2);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keep_fd)
            close(fd);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

std::string capture(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

// Exit status of the child within the time limit, -1 when it is still running.
int wait_for(pid_t pid, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        int st = 0;
        if (waitpid(pid, &st, WNOHANG) == pid)
            return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

class Xvfb {
  public:
    explicit Xvfb(const std::string& dir) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                      "-noreset", "-nolisten", "tcp"},
                     {}, fds[1], dir + "/xvfb.log");
        close(fds[1]);
        std::string num;
        pollfd p{fds[0], POLLIN, 0};
        const auto end = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < end && num.find('\n') == std::string::npos) {
            if (poll(&p, 1, 200) > 0) {
                char c[16];
                const ssize_t n = read(fds[0], c, sizeof c);
                if (n <= 0)
                    break;
                num.append(c, n);
            }
        }
        close(fds[0]);
        if (num.find('\n') != std::string::npos)
            display_ = std::string(":").append(num, 0, num.find('\n'));
    }
    ~Xvfb() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

TEST(PlotWindow, SheetOnScreenUntilEscape) {
    ScratchDir dir;
    TestChannel c;
    c.station = "AAA";
    for (int k = 0; k < 2000; ++k)
        c.samples.push_back((k % 50) * 40 - 1000);
    write_suds(dir.file("q.suds"), {c});

    Xvfb x(dir.path());
    ASSERT_FALSE(x.display().empty()) << read_file(dir.file("xvfb.log"));
    const std::string disp = "DISPLAY=" + x.display();
    ASSERT_EQ(capture(disp + " xdpyinfo >/dev/null 2>&1; echo $?"), "0");

    const pid_t vorlane = spawn({VORLANE_BIN, "/p1", "/m", "q.suds"}, {disp, "TMP=" + dir.path()},
                                -1, dir.file("out"));
    std::string win;
    const auto end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < end && win.empty()) {
        win = capture(disp + " xdotool search --onlyvisible --name '^Plot window - q[.]suds$' "
                             "2>/dev/null | head -1");
        if (win.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(win.empty()) << read_file(dir.file("out"));

    // The page is filled blue; poll until the first repaint has happened.
    std::string pixel;
    const auto paint_end = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < paint_end) {
        pixel = capture(disp + " import -window " + win + " " + dir.file("shot.png") +
                        " 2>/dev/null && /usr/bin/convert " + dir.file("shot.png") +
                        " -format '%[pixel:p{300,300}]' info: 2>/dev/null");
        if (pixel == "blue" || pixel == "srgb(0,0,255)")
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(pixel == "blue" || pixel == "srgb(0,0,255)") << pixel;
    EXPECT_EQ(wait_for(vorlane, std::chrono::seconds(0)), -1); // still waiting on the sheet

    int status = -1;
    const auto esc_end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < esc_end && status == -1) {
        capture(disp + " xdotool key --window " + win + " Escape 2>/dev/null");
        status = wait_for(vorlane, std::chrono::seconds(2));
    }
    if (status == -1) {
        kill(vorlane, SIGKILL);
        waitpid(vorlane, nullptr, 0);
    }
    EXPECT_EQ(status, 0) << read_file(dir.file("out"));
    EXPECT_NE(read_text_file(dir.file("vorlane.log")).find("Plot mode:    Display only\n"),
              std::string::npos);
}

} // namespace
