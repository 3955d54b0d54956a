#include "info_view.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/file_handle.h"

namespace fenwold {

namespace {

// Characters [from, from + n) of a line, as many as it has.
std::string part(const std::string& line, size_t from, size_t n) {
    return from < line.size() ? line.substr(from, n) : std::string();
}

bool is_vertical(const std::string& line) {
    return part(line, 15, 3).find_first_of("zZvV") != std::string::npos;
}

} // namespace

bool info_read_listing(const std::string& path, std::vector<std::string>& lines) {
    platform::FileHandle f(platform::open_file(path, "rb"));
    if (!f)
        return false;
    std::vector<std::string> out;
    std::string line;
    bool any = false;
    auto finish = [&]() {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // A longer line is kept in pieces, each a line of its own.
        size_t at = 0;
        do {
            std::string piece = line.substr(at, kInfoLineMax);
            auto cr = piece.rfind('\r');
            if (cr != std::string::npos)
                piece.erase(cr);
            out.push_back(piece);
            at += kInfoLineMax;
        } while (at < line.size());
        line.clear();
        any = false;
    };
    int c;
    while ((c = std::fgetc(f.get())) != EOF) {
        any = true;
        if (c == '\n') {
            finish();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    if (any)
        finish();
    lines = std::move(out);
    return true;
}

bool info_has_vertical(const std::vector<std::string>& lines) {
    return std::any_of(lines.begin(), lines.end(), is_vertical);
}

void info_order(std::vector<std::string>& lines) {
    const bool vertical = info_has_vertical(lines);
    // Both passes are stable, as the exchange sorts they stand for.
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return part(a, 0, 17) < part(b, 0, 17);
    });
    // After the first pass the lines of one station stand together.
    auto begin = lines.begin();
    while (begin != lines.end()) {
        const std::string station = part(*begin, 0, 14);
        auto end = std::find_if(begin, lines.end(),
                                [&](const std::string& l) { return part(l, 0, 14) != station; });
        std::stable_sort(begin, end, [vertical](const std::string& a, const std::string& b) {
            return vertical ? part(a, 15, 3) > part(b, 15, 3) : part(a, 15, 3) < part(b, 15, 3);
        });
        begin = end;
    }
}

std::string info_expand_tabs(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\t') {
            do {
                out.push_back(' ');
            } while (out.size() % kInfoTabWidth != 0);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace fenwold
