#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace platform {

std::string shell_quote(const std::string& word) {
    std::string q = "'";
    for (char c : word) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    q += "'";
    return q;
}

int shell_run(const std::string& command, int& status) {
    status = 0;
    const char* shell = "/bin/sh";
    char arg0[] = "sh";
    char arg1[] = "-c";
    std::string cmd = command;
    char* argv[] = {arg0, arg1, cmd.data(), nullptr};
    pid_t pid;
    const int err = posix_spawn(&pid, shell, nullptr, nullptr, argv, environ);
    if (err != 0)
        return err;
    int ws;
    while (waitpid(pid, &ws, 0) < 0) {
        if (errno != EINTR)
            return errno;
    }
    if (WIFEXITED(ws))
        status = WEXITSTATUS(ws);
    else if (WIFSIGNALED(ws))
        status = 128 + WTERMSIG(ws);
    else
        status = 1;
    return 0;
}

} // namespace platform
