// The [2.X_VEXIL] section: keys are matched on the upper-cased line by their
// prefix, in a fixed order, so that any key beginning with TEMP sets the
// temp folder and any beginning with HARD the hardcopy command. Values keep
// their letter case: they are paths and commands on a case-sensitive system.
#include "plot_ini.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "platform/file_handle.h"

namespace {

constexpr size_t kMaxLine = 254;

// One line without its line end, cut at kMaxLine characters; false at end
// of file.
bool read_line(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (line.size() < kMaxLine)
            line.push_back(static_cast<char>(c));
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return any;
}

std::string upper(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

bool starts_with(const std::string& s, const char* prefix) {
    return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

} // namespace

int plot_read_ini(const std::string& path, PlotIniValues& values) {
    platform::FileHandle f(platform::open_file(path, "r"));
    if (!f)
        return 0;
    std::string line;
    bool in_section = false;
    while (read_line(f.get(), line)) {
        if (starts_with(upper(line), "[2.X_VEXIL]")) {
            in_section = true;
            break;
        }
    }
    if (!in_section)
        return 1;
    while (read_line(f.get(), line)) {
        const std::string key = upper(line);
        if (starts_with(key, "["))
            break;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        size_t start = eq + 1;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
            ++start;
        const std::string value = line.substr(start); // trailing blanks kept
        if (starts_with(key, "DISPLAYMODE")) {
            // recognised; the plot mode comes from the caller
        } else if (starts_with(key, "PROMPTBEFORESAVING")) {
            values.prompt_before_saving =
                !value.empty() && std::toupper(static_cast<unsigned char>(value[0])) == 'Y';
        } else if (starts_with(key, "HARD")) {
            values.hardcopy_command = value;
        } else if (starts_with(key, "TEMP")) {
            values.temp_dir = value;
        } else if (starts_with(key, "PLOTQUEUE")) {
            values.plot_queue = value;
        }
    }
    return 1;
}
