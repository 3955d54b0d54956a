// Console keys on Windows: the console's own key reading when standard input
// is a console; a pipe or file is read byte by byte and never blocks.
#include <conio.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
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

} // namespace platform
