// A private folder for a program's working files: made new at start, with a
// name no other run has, inside the system's folder for temporary files.
#pragma once

#include <string>

namespace platform {

// The system's folder for temporary files: $TMPDIR, else /tmp (Windows: the
// folder GetTempPath names, from %TMP% or %TEMP%). Never empty.
std::string temp_base_folder();

// Makes a new folder named prefix followed by a unique suffix inside base,
// readable and writable by us alone where the system has such rights. True
// with `folder` set to its absolute path; false with `error` set.
bool make_private_folder(const std::string& base, const std::string& prefix, std::string& folder,
                         std::string& error);

} // namespace platform
