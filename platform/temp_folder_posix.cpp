// Temporary folders on POSIX: mkdtemp makes the folder with mode 0700.
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"

namespace platform {

std::string temp_folder() {
    const std::string dir = environment("TMPDIR");
    return !dir.empty() && is_folder(dir) ? dir : std::string("/tmp");
}

std::string make_private_folder(const std::string& prefix, std::string& error,
                                const std::string& base) {
    const std::string where = base.empty() ? temp_folder() : base;
    std::string templ = where;
    if (templ.empty() || templ.back() != '/')
        templ += '/';
    templ += prefix + "XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
        error = "cannot make a folder in " + where + ": " + std::strerror(errno);
        return "";
    }
    return absolute_path(buf.data());
}

} // namespace platform
