// Choosing the next plot queue file name.
#include "plot_queue.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"

namespace {

bool begins_with_plot(const std::string& name) {
    static const char kPlot[] = "plot";
    if (name.size() < 4)
        return false;
    for (size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != kPlot[i])
            return false;
    return true;
}

// Up to four decimal digits from the name's fifth character; -1 when none.
int read_number(const std::string& name) {
    int n = 0, digits = 0;
    for (size_t i = 4; i < name.size() && digits < 4; ++i, ++digits) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            break;
        n = n * 10 + (name[i] - '0');
    }
    return digits == 0 ? -1 : n;
}

std::string queue_name(const std::string& folder, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "plot%04d.plx", number);
    return folder + name;
}

} // namespace

PlotQueueChoice plot_choose_queue_file(const std::string& folder) {
    PlotQueueChoice c;
    c.folder = folder;
    if (c.folder.empty() || !platform::is_path_separator(c.folder.back()))
        c.folder += platform::kPathSeparator;

    std::vector<platform::FolderEntry> entries;
    std::string error;
    platform::list_folder(c.folder, entries, error); // an unreadable queue counts as empty

    bool any = false;
    int largest = 0, previous = 0;
    for (const platform::FolderEntry& e : entries) {
        if (e.is_folder || e.hidden || e.system)
            continue;
        if (!platform::name_matches(e.name, "*.plx") || !begins_with_plot(e.name))
            continue;
        c.total += static_cast<int64_t>(e.size);
        int n = read_number(e.name);
        if (n < 0)
            n = previous;
        previous = n;
        if (!any || n > largest)
            largest = n;
        any = true;
    }
    c.number = any ? largest + 1 : 0;
    c.path = queue_name(c.folder, c.number);
    while (platform::file_exists(c.path) && c.number < 0x7FFFFFFF)
        c.path = queue_name(c.folder, ++c.number);
    return c;
}
