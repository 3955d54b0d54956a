// Console and log output of the plotter.
#pragma once

#include <cstdio>

// Create vorlane.log in the current directory (truncating it); 1 on success, 0 when it
// cannot be created (the run then goes on without a log).
int vorlane_log_open(const char* path = "vorlane.log");

// Close the log if it is open.
void vorlane_log_close();

// A console-and-log message: standard output first, then the log, same text.
void vorlane_message(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A line for the log alone.
void vorlane_log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Standard output alone (flushed, so that it keeps its place beside the log and stderr).
void vorlane_print(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
