// Console keys through termios.
#include "platform/console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>

namespace platform {
namespace {

// Codes already decoded but not yet handed out (the second half of an
// extended key, or a byte read while testing for a key).
std::deque<int> g_pending;

// Raw, unechoed keys for the life of one object; restores the terminal.
class RawTerminal {
  public:
    RawTerminal() {
        if (tcgetattr(STDIN_FILENO, &saved_) != 0)
            return;
        termios raw = saved_;
        // Signal keys are read as bytes and raised once the terminal is back in
        // its own mode, so that Ctrl-C never leaves it raw and silent.
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
        auto key = [](cc_t k) { return k == _POSIX_VDISABLE ? -1 : static_cast<int>(k); };
        intr_ = key(saved_.c_cc[VINTR]);
        quit_ = key(saved_.c_cc[VQUIT]);
        susp_ = key(saved_.c_cc[VSUSP]);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~RawTerminal() {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
        if (signal_ != 0)
            raise(signal_);
    }
    // Notes the signal that a key read in raw mode stands for.
    void check_signal(int c) {
        const bool isig = (saved_.c_lflag & ISIG) != 0;
        if (!active_ || !isig || c < 0)
            return;
        if (c == intr_)
            signal_ = SIGINT;
        else if (c == quit_)
            signal_ = SIGQUIT;
        else if (c == susp_)
            signal_ = SIGTSTP;
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

  private:
    termios saved_{};
    bool active_ = false;
    int intr_ = -1, quit_ = -1, susp_ = -1;
    int signal_ = 0;
};

bool byte_ready(int timeout_ms) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    return poll(&p, 1, timeout_ms) > 0 && (p.revents & (POLLIN | POLLHUP)) != 0;
}

int read_byte() {
    unsigned char c;
    ssize_t n;
    do {
        n = read(STDIN_FILENO, &c, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1 ? c : -1;
}

// Second codes of the escape sequences that terminals send for extended keys.
struct Sequence {
    const char* text;
    int code;
};
constexpr Sequence kSequences[] = {
    {"[A", 72},    {"[B", 80},    {"[D", 75},   {"[C", 77},   {"[H", 71},   {"[F", 79},
    {"OH", 71},    {"OF", 79},    {"[1~", 71},  {"[4~", 79},  {"[5~", 73},  {"[6~", 81},
    {"[2~", 82},   {"[3~", 83},   {"OP", 59},   {"OQ", 60},   {"OR", 61},   {"OS", 62},
    {"[15~", 63},  {"[17~", 64},  {"[18~", 65}, {"[19~", 66}, {"[20~", 67}, {"[21~", 68},
    {"[23~", 133}, {"[24~", 134}, {"OA", 72},   {"OB", 80},   {"OD", 75},   {"OC", 77},
};

// Reads one key from a terminal in raw mode, turning escape sequences into
// the two-code form. A lone Escape stays 27.
int read_terminal_key() {
    const int c = read_byte();
    if (c != 27)
        return c == '\n' ? 13 : c;
    char seq[8] = {};
    size_t len = 0;
    // The rest of a sequence arrives together with its Escape.
    while (len < sizeof seq - 1 && byte_ready(30)) {
        const int b = read_byte();
        if (b < 0)
            break;
        seq[len++] = static_cast<char>(b);
        if (len >= 2 && ((b >= 'A' && b <= 'Z') || b == '~'))
            break;
    }
    if (len == 0)
        return 27;
    for (const Sequence& s : kSequences) {
        if (std::strcmp(seq, s.text) == 0) {
            g_pending.push_back(s.code);
            return 0;
        }
    }
    // Unknown sequence: hand its bytes out as typed.
    for (size_t i = 0; i < len; ++i)
        g_pending.push_back(static_cast<unsigned char>(seq[i]));
    return 27;
}

void echo_key(int c) {
    if (c > 0 && c < 256) {
        std::fputc(c == 13 ? '\n' : c, stdout);
        std::fflush(stdout);
    }
}

} // namespace

bool console_key_waiting() {
    if (!g_pending.empty())
        return true;
    if (isatty(STDIN_FILENO)) {
        RawTerminal raw;
        if (!byte_ready(0))
            return false;
        const int c = read_terminal_key();
        raw.check_signal(c);
        if (c < 0)
            return false;
        g_pending.push_front(c);
        return true;
    }
    if (!byte_ready(0))
        return false;
    const int c = read_byte(); // distinguishes a ready byte from end of file
    if (c < 0)
        return false;
    g_pending.push_back(c == '\n' ? 13 : c);
    return true;
}

int console_read_key(bool echo) {
    int c;
    if (!g_pending.empty()) {
        c = g_pending.front();
        g_pending.pop_front();
    } else if (isatty(STDIN_FILENO)) {
        std::fflush(stdout);
        RawTerminal raw;
        c = read_terminal_key();
        raw.check_signal(c);
    } else {
        if (!byte_ready(0))
            return -1;
        c = read_byte();
        if (c == '\n')
            c = 13;
    }
    if (echo)
        echo_key(c);
    return c;
}

// A terminal takes the bytes as they are: UTF-8 needs nothing here.
void console_output_utf8() {}

void console_output_restore() {}

} // namespace platform
