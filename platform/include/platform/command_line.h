// Command lines for Windows children, built from an argument vector.
#pragma once

#include <string>
#include <vector>

namespace platform {

// true for an argument that is a switch: "-" always begins one; so does "/"
// on Windows, where no path begins with it. On Linux an absolute path begins
// with "/" too, so "/x" is a switch only when no further "/" follows ("/v",
// "/p1", "/MF2.5"; "/home/x/rec.cd11" is a file name).
bool is_switch_argument(const char* arg);

// Joins argv into one command line that the child's C run time (and
// CommandLineToArgvW) splits back into the same arguments: an argument with
// blanks, tabs or quotes (or an empty one) is quoted, a quote inside is
// escaped, and backslashes are doubled only where they come before a quote.
std::string windows_command_line(const std::vector<std::string>& argv);

} // namespace platform
