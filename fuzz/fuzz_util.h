// Helpers shared by the fuzz targets: a private scratch folder per process,
// files written from the fuzz input, and quiet standard streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The scratch folder of this process (made on first use, removed at exit).
const std::string& fuzz_scratch();

// Writes size bytes to name inside the scratch folder; returns the full path.
std::string fuzz_write_file(const char* name, const std::uint8_t* data, std::size_t size);

// Sends standard output to /dev/null: the programs' reports would only slow
// the fuzzer down. Standard error stays, so sanitizer reports are seen.
void fuzz_quiet_stdout();
