// Console keys and UTF-8 output. On a terminal, standard input is switched to
// raw keys only while a key is read or tested; when standard input is not a
// terminal, testing and reading never block.
#pragma once

namespace platform {

// True when a key can be read without waiting. On a terminal: a key has been
// pressed; otherwise: a byte is ready on standard input (not at end of file).
bool console_key_waiting();

// Reads one key and returns its code (0..255). An extended key (arrows,
// Home, End, Page Up/Down, Insert, Delete, F1..F12) comes as two calls: 0
// first, then its second code (72 up, 80 down, 75 left, 77 right, 71 Home,
// 79 End, 73 Page Up, 81 Page Down, 82 Insert, 83 Delete, 59..68 F1..F10,
// 133/134 F11/F12). Enter gives 13. With `echo` the character is written to
// standard output. On a terminal this waits for a key; otherwise it returns
// -1 at once when no byte is ready or at end of file.
int console_read_key(bool echo);

// Lets the console show the UTF-8 text the programs write: on Windows, when a
// console is attached and its output code page is another, that page becomes
// UTF-8 until the program ends (also by Ctrl-C), and the one it had is put
// back then, so the console's later programs see what they expect. Elsewhere,
// and without a console, it does nothing.
void console_output_utf8();

// Puts back now the output code page console_output_utf8 replaced, if any.
void console_output_restore();

} // namespace platform
