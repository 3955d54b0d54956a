#include "vorlane_log.h"

#include <cstdarg>
#include <string>

#include "vorlane_state.h"

namespace {

void write_log(const char* fmt, va_list ap) {
    FILE* f = vorlane_state().log.get();
    if (f)
        vfprintf(f, fmt, ap);
}

} // namespace

int vorlane_log_open(const char* path) {
    VorlaneState& st = vorlane_state();
    st.log.reset(platform::open_file(path, "w"));
    return st.log ? 1 : 0;
}

void vorlane_log_close() {
    vorlane_state().log.reset();
}

void vorlane_message(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    vfprintf(stdout, fmt, ap);
    fflush(stdout);
    write_log(fmt, ap2);
    va_end(ap2);
    va_end(ap);
}

void vorlane_log(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    write_log(fmt, ap);
    va_end(ap);
}

void vorlane_print(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vfprintf(stdout, fmt, ap);
    va_end(ap);
    fflush(stdout);
}
