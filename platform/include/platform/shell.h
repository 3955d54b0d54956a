// A command line run through the system's command interpreter (/bin/sh here),
// for commands that come whole from a user's settings, such as the plotter's
// hardcopy command.
#pragma once

#include <string>

namespace platform {

// Quotes a word for the command interpreter so that blanks and its special
// characters stay literal.
std::string shell_quote(const std::string& word);

// Runs `command` through the command interpreter and waits for it. Returns 0
// when it ran, with `status` set to its exit status (a signal counts as
// 128 + signal); otherwise the errno value of the start failure.
int shell_run(const std::string& command, int& status);

} // namespace platform
