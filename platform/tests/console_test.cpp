// Console keys: never blocking without a terminal, escape sequences and
// raw mode on a terminal (a pseudo-terminal stands in for the user's).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "platform/console.h"

namespace {

// Puts `fd` in place of standard input for the life of the object.
class StdinSwap {
  public:
    explicit StdinSwap(int fd) : saved_(dup(STDIN_FILENO)) { dup2(fd, STDIN_FILENO); }
    ~StdinSwap() {
        // Drain codes the library still holds from this input.
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }

  private:
    int saved_;
};

void drain() {
    while (platform::console_key_waiting())
        platform::console_read_key(false);
}

sig_atomic_t g_interrupts = 0;
bool g_was_cooked = false;
void on_interrupt(int) {
    termios t;
    g_was_cooked = tcgetattr(STDIN_FILENO, &t) == 0 && (t.c_lflag & ICANON) && (t.c_lflag & ECHO);
    g_interrupts = g_interrupts + 1;
}

} // namespace

TEST(Console, PipeWithoutDataNeverBlocks) {
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    {
        StdinSwap swap(p[0]);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(platform::console_key_waiting());
        EXPECT_EQ(platform::console_read_key(true), -1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

        ASSERT_EQ(write(p[1], "3\n", 2), 2);
        EXPECT_TRUE(platform::console_key_waiting());
        testing::internal::CaptureStdout();
        EXPECT_EQ(platform::console_read_key(true), '3');
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "3");
        EXPECT_EQ(platform::console_read_key(false), 13); // a line end reads as Enter
        EXPECT_EQ(platform::console_read_key(false), -1);

        close(p[1]); // end of file is not a key
        EXPECT_FALSE(platform::console_key_waiting());
        EXPECT_EQ(platform::console_read_key(false), -1);
    }
    close(p[0]);
}

TEST(Console, TerminalKeysAndExtendedKeys) {
    int master, slave;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    {
        StdinSwap swap(slave);
        EXPECT_FALSE(platform::console_key_waiting());
        // Keys arrive one at a time, without a line end: raw mode.
        ASSERT_EQ(write(master, "q", 1), 1);
        EXPECT_EQ(platform::console_read_key(false), 'q');
        ASSERT_EQ(write(master, "\x1b[A", 3), 3);
        EXPECT_TRUE(platform::console_key_waiting());
        EXPECT_EQ(platform::console_read_key(false), 0);
        EXPECT_EQ(platform::console_read_key(false), 72);
        ASSERT_EQ(write(master, "\x1b[6~\x1b", 5), 5);
        EXPECT_EQ(platform::console_read_key(false), 0);
        EXPECT_EQ(platform::console_read_key(false), 81);
        EXPECT_EQ(platform::console_read_key(false), 27); // Escape alone
        ASSERT_EQ(write(master, "\r", 1), 1);
        EXPECT_EQ(platform::console_read_key(false), 13);
        // Ctrl-C is raised as an interrupt once the terminal is back to normal.
        struct sigaction sa {
        }, old{};
        sa.sa_handler = &on_interrupt;
        sigaction(SIGINT, &sa, &old);
        // The key must arrive while the terminal is raw; typed in line mode the
        // terminal itself would turn it into a signal for its own session.
        std::thread typist([master] {
            termios t;
            for (int i = 0; i < 20000; ++i) {
                if (tcgetattr(master, &t) == 0 && !(t.c_lflag & ISIG))
                    break;
                usleep(500);
            }
            if (write(master, "\x03", 1) != 1)
                std::abort();
        });
        platform::console_read_key(false);
        typist.join();
        sigaction(SIGINT, &old, nullptr);
        EXPECT_EQ(g_interrupts, 1);
        EXPECT_TRUE(g_was_cooked);
        drain();
        // The terminal is back in its line mode afterwards.
        termios t;
        ASSERT_EQ(tcgetattr(STDIN_FILENO, &t), 0);
        EXPECT_TRUE(t.c_lflag & ICANON);
        EXPECT_TRUE(t.c_lflag & ECHO);
    }
    close(slave);
    close(master);
}
