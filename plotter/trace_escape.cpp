#include "trace_escape.h"

#include <platform/console.h>

namespace {

EscapeHooks g_hooks;

bool key_waiting() {
    return g_hooks.key_waiting ? g_hooks.key_waiting() : platform::console_key_waiting();
}
int read_key() {
    return g_hooks.read_key ? g_hooks.read_key() : platform::console_read_key(false);
}

} // namespace

void trace_escape_set_hooks(const EscapeHooks& hooks) {
    g_hooks = hooks;
}

bool trace_escape_pressed() {
    return key_waiting() && read_key() == 27;
}
