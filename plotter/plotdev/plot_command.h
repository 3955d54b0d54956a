// Running the hardcopy command line through the shell.
#pragma once

#include <string>

// Quotes a word for the shell so that blanks and shell characters stay
// literal.
std::string plot_shell_quote(const std::string& word);

// Runs `command` with /bin/sh -c and waits for it. Returns 0 when it ran,
// with `status` set to its exit status (a signal counts as 128 + signal);
// otherwise the errno value of the start failure.
int plot_run_command(const std::string& command, int& status);
