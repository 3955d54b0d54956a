// The library-wide error text.
#include "suds/suds_error.h"

#include <string>

namespace {
std::string& error_text() {
    static std::string text;
    return text;
}
} // namespace

const char* suds_error_text() {
    return error_text().c_str();
}

void suds_set_error_text(const char* text) {
    error_text() = text ? text : "";
}
