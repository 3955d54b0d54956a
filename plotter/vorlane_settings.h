// Command-line switches, the [VORLANE] section of the INI file, the usage text,
// the settings summary and the sheet file label.
#pragma once

#include <string>

// Leading integer of a text: optional sign and digits; no digits reads as 0.
long vorlane_read_int(const char* text);

// Leading real of a text: sign, digits, decimal point, exponent; no digits reads as 0.
double vorlane_read_real(const char* text);

// True when the argument is a switch: it begins with "-", or with "/" and holds no further "/".
bool vorlane_is_switch(const char* arg);

enum class ArgResult { kOk, kUsage };

// Handle one command-line argument (switch or file name); kUsage for "/?".
ArgResult vorlane_argument(const char* arg);

// Upper-case the switch text after the arguments were handled.
void vorlane_finish_switch_text();

// INI path: "$SUDS_ETC/trelkit.ini" when SUDS_ETC is set, else "trelkit.ini".
std::string vorlane_ini_path();

// Read the [VORLANE] section of the INI file (messages as console-and-log messages).
void vorlane_read_ini(const char* path);

// Print the usage text to standard output.
void vorlane_usage();

// Print the settings summary (console and log), with whether a listing was read
// and the distance range of the trace database.
void vorlane_settings_summary(bool listing_read, float range_min, float range_max);

// Sheet file label of a SUDS file name (shortened in the middle when long).
std::string vorlane_sheet_label(const std::string& suds_name);
