// Escape typed on the console while the sheets are drawn ends the plotting.
#pragma once

// Console seams for the Escape check; unset members use the real console.
struct EscapeHooks {
    bool (*key_waiting)() = nullptr;
    int (*read_key)() = nullptr;
};
void trace_escape_set_hooks(const EscapeHooks& hooks);

// Reads a waiting console key, if any, without echo: true when it is Escape.
// Any other key is dropped.
bool trace_escape_pressed();
