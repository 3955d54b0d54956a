#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"

namespace platform {

std::string temp_base_folder() {
    std::string base = environment("TMPDIR");
    if (base.empty() || !is_folder(base))
        base = "/tmp";
    return base;
}

bool make_private_folder(const std::string& base, const std::string& prefix, std::string& folder,
                         std::string& error) {
    std::string templ = base;
    if (templ.empty() || templ.back() != '/')
        templ += '/';
    templ += prefix + "XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    // mkdtemp makes it with mode 0700.
    if (!::mkdtemp(buf.data())) {
        error = "cannot make a folder in " + base + ": " + std::strerror(errno);
        return false;
    }
    folder = absolute_path(buf.data());
    return true;
}

} // namespace platform
