// The converter's driver: command line, derived file names, the two passes
// and the exit code.
#pragma once

#include <cstdio>
#include <string>

#include "writers.h"

// true when arg is a switch: it begins with "-", or with "/" and holds no
// further "/" (an absolute path such as "/home/x/rec.cd11" is a file name).
bool is_switch(const char* arg);

// Parses the arguments (argv[1..argc-1]) into g_run: switches, the input and
// output names as full paths; warnings go to standard error.
void parse_arguments(int argc, const char* const* argv);

// Format extension of the run: ".suds", ".asc" or ".msed".
const char* format_extension();

// Fills the output name (when none was given), the work name and the
// information file name from the input name.
void derive_names();

// Refuses names that would write over the input file or over each other.
// true when the names are safe; false after its report message.
bool check_names();

// Pass 1 over the recorder file input_name into work_name (and, with the
// location split, the work files of each location); with -suds the work
// files are then moved into place. Fills g_run.work_files,
// g_run.location_split and g_run.bit_weights. true on success; false after
// its message.
bool pass1(const std::string& input_name, const std::string& work_name);

// The writers' context of the run's settings (after pass 1).
WriterContext writer_context();

// Pass 2 on one work file into out (null with -casc). true on success;
// false after its message.
bool pass2(const std::string& work_name, std::FILE* out, WriterContext& ctx);

// One work file of the work-file list through pass 2 into its output file
// (named by the location split or the output name), then deleted. true on
// success; false after its message.
bool convert_work_file(const std::string& work, WriterContext& ctx);

// The whole run; returns the exit code.
int driver_run(int argc, const char* const* argv);
