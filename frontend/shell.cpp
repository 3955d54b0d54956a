#include "shell.h"

#include <cstdio>

#include "platform/process.h"

namespace fenwold {

std::vector<FileFilter> parse_filter(const std::string& text) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : text) {
        if (c == '|') {
            fields.push_back(field);
            field.clear();
        } else {
            field.push_back(c);
        }
    }
    if (!field.empty())
        fields.push_back(field);
    std::vector<FileFilter> out;
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].empty())
            break; // the "||" at the end
        FileFilter f;
        f.name = fields[i];
        std::string pattern;
        for (char c : fields[i + 1] + ";") {
            if (c == ';') {
                if (!pattern.empty())
                    f.patterns.push_back(pattern);
                pattern.clear();
            } else {
                pattern.push_back(c);
            }
        }
        out.push_back(f);
    }
    return out;
}

double progress_fraction(const ChildProgress& p) {
    if (p.pass <= 0 || p.passes <= 0 || p.total <= 0)
        return 0.0;
    return (p.pass - 1 + static_cast<double>(p.done) / static_cast<double>(p.total)) / p.passes;
}

int progress_percent(const ChildProgress& p) {
    return static_cast<int>(progress_fraction(p) * 100.0);
}

std::string progress_text(const ChildProgress& p) {
    if (p.pass <= 0)
        return std::string();
    char text[128];
    std::snprintf(text, sizeof text, "Pass %d of %d: %s - %d%%", p.pass, p.passes,
                  p.pass == 1 ? "reading the recorder file" : "writing the output",
                  progress_percent(p));
    return text;
}

void ProgressReader::feed(const std::string& bytes) {
    partial_ += bytes;
    size_t nl;
    while ((nl = partial_.find('\n')) != std::string::npos) {
        const std::string line = partial_.substr(0, nl);
        partial_.erase(0, nl + 1);
        ChildProgress p;
        char tail = 0;
        if (std::sscanf(line.c_str(), "progress %d %d %lld %lld%c", &p.pass, &p.passes, &p.done,
                        &p.total, &tail) == 4 &&
            p.pass >= 1 && p.pass <= p.passes && p.total > 0 && p.done >= 0 && p.done <= p.total) {
            last_ = p;
        }
    }
    // A writer that never ends a line cannot make this grow without end.
    if (partial_.size() > 256)
        partial_.clear();
}

ChildOutcome SystemChildren::run(const std::vector<std::string>& argv, const std::string& what,
                                 bool progress_channel, ChildWatch& watch) {
    ChildOutcome out;
    platform::ProcessOptions options;
    options.working_folder = folder_;
    options.quiet_output = true;
    options.capture_error = true;
    if (progress_channel)
        options.progress_variable = kProgressVariable;
    platform::ChildProcess child;
    if (!child.start(argv, options, out.start_error))
        return out;
    watch.child_begin(what);
    ProgressReader progress;
    out.end = ChildEnd::finished;
    while (child.poll(50)) {
        progress.feed(child.take_progress());
        if (!watch.child_working(progress.last())) {
            child.cancel();
            out.end = ChildEnd::cancelled;
            break;
        }
    }
    watch.child_end();
    out.exit_code = child.result().exit_code;
    out.signal = child.result().signal;
    out.error_output = child.error_output();
    return out;
}

bool SystemChildren::start(const std::vector<std::string>& argv, const std::string& folder,
                           const Environment& env, std::string& error) {
    platform::ProcessOptions options;
    options.working_folder = folder.empty() ? folder_ : folder;
    options.quiet_output = true;
    options.environment = env;
    return platform::process_start(argv, options, error);
}

} // namespace fenwold
