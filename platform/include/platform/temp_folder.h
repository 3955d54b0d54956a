// Temporary folders: the system's own, and private ones made in it.
#pragma once

#include <string>

namespace platform {

// The folder for temporary files: $TMPDIR, else /tmp on POSIX; on Windows
// what GetTempPath gives (%TMP%, else %TEMP%, else the user's profile).
std::string temp_folder();

// Makes a new, empty folder of our own in `base` (temp_folder() when empty),
// named `prefix` followed by a unique part, that only we may enter. Its
// absolute path, or "" with `error` set.
std::string make_private_folder(const std::string& prefix, std::string& error,
                                const std::string& base = std::string());

} // namespace platform
