// Console keys and output code page on Windows: the console's own key reading
// when standard input is a console; a pipe or file is read byte by byte and
// never blocks.
#include <conio.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "platform/console.h"

namespace platform {
namespace {

std::deque<int> g_pending;

bool is_console() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// A byte ready on a pipe or file, without waiting.
bool byte_ready() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE)
        return false;
    switch (GetFileType(in)) {
    case FILE_TYPE_PIPE: {
        DWORD avail = 0;
        return PeekNamedPipe(in, nullptr, 0, nullptr, &avail, nullptr) && avail > 0;
    }
    case FILE_TYPE_DISK:
        return true; // a read tells a byte from the end of the file
    default:
        return false;
    }
}

int read_byte() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    unsigned char c;
    DWORD n = 0;
    if (!ReadFile(in, &c, 1, &n, nullptr) || n != 1)
        return -1;
    return c;
}

// One key from the console; extended keys come as 0 and their second code
// (the console gives 0 or 224 first).
int read_console_key(bool echo) {
    int c = echo ? _getche() : _getch();
    if (c == 0 || c == 224) {
        g_pending.push_back(_getch());
        return 0;
    }
    return c;
}

} // namespace

bool console_key_waiting() {
    if (!g_pending.empty())
        return true;
    if (is_console())
        return _kbhit() != 0;
    if (!byte_ready())
        return false;
    const int c = read_byte();
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
        if (echo && c > 0 && c < 256) {
            std::fputc(c == 13 ? '\n' : c, stdout);
            std::fflush(stdout);
        }
        return c;
    }
    if (is_console()) {
        std::fflush(stdout);
        return read_console_key(echo);
    }
    if (!byte_ready())
        return -1;
    c = read_byte();
    if (c == '\n')
        c = 13;
    if (echo && c > 0 && c < 256) {
        std::fputc(c == 13 ? '\n' : c, stdout);
        std::fflush(stdout);
    }
    return c;
}

namespace {

// The output code page to put back; 0 when none was replaced. Atomic: a
// Ctrl-C handler runs on a thread of its own.
std::atomic<UINT> g_saved_output_page{0};

BOOL WINAPI restore_on_break(DWORD) {
    console_output_restore();
    return FALSE; // the break goes on to end the program as usual
}

} // namespace

void console_output_utf8() {
    const UINT page = GetConsoleOutputCP(); // 0: no console attached
    if (page == 0 || page == CP_UTF8 || g_saved_output_page.load() != 0)
        return;
    if (!SetConsoleOutputCP(CP_UTF8))
        return;
    g_saved_output_page = page;
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit([] { console_output_restore(); });
        SetConsoleCtrlHandler(restore_on_break, TRUE);
    }
}

void console_output_restore() {
    const UINT page = g_saved_output_page.exchange(0);
    if (page != 0)
        SetConsoleOutputCP(page);
}

} // namespace platform
