#pragma once
// Outputs are written under a staging name beside their final name and moved
// into place only when complete, so a failed run never truncates or destroys
// an earlier result of the same name.

#include "platform/file_handle.h"

#include <cstdio>
#include <string>

// The name a file is written under until it is complete: NAME + ".part".
std::string staging_name(const std::string& name);

// Opens the staging file of NAME for binary writing, truncating an old one;
// nullptr when it cannot be created or when NAME itself could never be
// replaced by a file (it is a folder).
std::FILE* staging_open(const std::string& name);

// Moves the staged file into place under NAME. true on success; false with
// the report message "\nERROR: unable to rename %s to %s\n" given.
bool staging_commit(const std::string& name);

// Removes the staged file of NAME, if any (a failed output).
void staging_discard(const std::string& name);

// The output sequence every writer follows. Begin: refuses an existing NAME
// that is not writable ("\nERROR: write permission denied: %s\n") and opens
// its staging file ("\nERROR: unable ot open output file: %s\n"); null after
// the message.
platform::FileHandle staging_begin(const std::string& name);

// Finish: closes the staged file and moves it into place. true on success;
// false after its message ("\nERROR: write error to output file!\n" when the
// close fails), the staged file removed.
bool staging_finish(platform::FileHandle& out, const std::string& name);

// Abandon: closes and removes the staged file of a failed output.
void staging_abandon(platform::FileHandle& out, const std::string& name);
