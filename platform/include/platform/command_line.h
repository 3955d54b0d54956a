// Command lines for Windows children, built from an argument vector.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Joins argv into one command line that the child's C run time (and
// CommandLineToArgvW) splits back into the same arguments: an argument with
// blanks, tabs or quotes (or an empty one) is quoted, a quote inside is
// escaped, and backslashes are doubled only where they come before a quote.
std::string windows_command_line(const std::vector<std::string>& argv);

}  // namespace platform
