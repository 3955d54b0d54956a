// The library-wide error text. The library never prints: a failing operation
// leaves its message here and the caller prints it (as "\n%s\n").
#pragma once

// The last error message; empty when nothing has failed yet. Stays valid
// until the next failing operation.
const char* suds_error_text();

// Replaces the error text (used by the library's own modules and by tests).
void suds_set_error_text(const char* text);
