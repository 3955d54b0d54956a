#include "staging.h"

#include "run.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string staging_name(const std::string& name) { return name + ".part"; }

std::FILE* staging_open(const std::string& name)
{
    struct stat st;
    if (stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return nullptr;
    return std::fopen(staging_name(name).c_str(), "wb");
}

bool staging_commit(const std::string& name)
{
    const std::string staged = staging_name(name);
    if (std::rename(staged.c_str(), name.c_str()) != 0) {
        report("\nERROR: unable to rename %s to %s: %s\n", staged.c_str(), name.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void staging_discard(const std::string& name) { std::remove(staging_name(name).c_str()); }
