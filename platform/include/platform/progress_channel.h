// Where a long-running program shows how far it is: a descriptor inherited
// from its parent (named in an environment variable) for machine-readable
// lines, or standard error when that is a terminal.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The descriptor number held by environment variable `variable` when it is a
// decimal number of a descriptor open for writing; -1 when the variable is
// unset, empty, not a number, or names no such descriptor.
int inherited_write_descriptor(const char* variable);

// Writes all n bytes of text to descriptor fd, with SIGPIPE ignored for the
// write so that a closed reader cannot end the program. true when every byte
// was written.
bool write_descriptor(int fd, const char* text, std::size_t n);

// True when standard error is a terminal.
bool stderr_is_terminal();

// Milliseconds of a monotonic clock (only differences mean anything).
std::int64_t monotonic_ms();

} // namespace platform
