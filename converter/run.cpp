#include "run.h"

#include "platform/file_handle.h"

#include <cstdarg>

RunState g_run;

void run_reset() {
    run_close_info();
    g_run = RunState{};
}

std::string vformat_text(const char* fmt, va_list ap) {
    va_list again;
    va_copy(again, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(text.data(), text.size() + 1, fmt, again);
    va_end(again);
    return text;
}

std::string format_text(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = vformat_text(fmt, ap);
    va_end(ap);
    return text;
}

void report(const char* fmt, ...) {
    if (g_run.report_gate && !g_run.report_gate())
        return;
    g_run.progress.hide();
    va_list ap;
    va_start(ap, fmt);
    if (g_run.info_file) {
        va_list copy;
        va_copy(copy, ap);
        std::vfprintf(g_run.info_file, fmt, copy);
        va_end(copy);
    }
    std::vfprintf(stdout, fmt, ap);
    va_end(ap);
}

void report_info_only(const char* fmt, ...) {
    if (!g_run.info_file)
        return;
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(g_run.info_file, fmt, ap);
    va_end(ap);
}

bool run_open_info() {
    run_close_info();
    g_run.info_file = platform::open_file(g_run.info_name, "w");
    return g_run.info_file != nullptr;
}

void run_close_info() {
    if (g_run.info_file) {
        std::fclose(g_run.info_file);
        g_run.info_file = nullptr;
    }
}
