// Channel listing of a SUDS file: one line per DescripTrace, with the
// StationComp of the same station identifier for sensor and units.
//
// Line layout (at most 73 characters; tab stops every 8 cells), columns
// under the front end's info header:
//   1..7   network (long network, else the short one)    tab -> cell 8
//   9..14  station (long station, else the short name)   tab -> cell 16
//   16..18 component (long component, else the letter)   tab -> cell 24
//   two blanks, begin date and time "yyyy/mm/dd hh:mm:ss.sss" (cells 26..48)
//   length in seconds, 12 wide (cells 49..60)            tab -> cell 64
//   rate in samples per second, 7 wide (cells 64..70)    tab -> cell 72
//   sensor letter, tab -> cell 80, motion, tab -> cell 88, units
#pragma once

#include <string>
#include <vector>

#include <suds/suds.h>

inline constexpr size_t kListingLineMax = 73;

// The listing line of one trace; sc is the channel's StationComp, or null.
std::string ostrand_line(const SudsDescripTrace& dt, const SudsStationComp* sc);

// Reads every structure of the SUDS file at path and lists its traces in
// file order. 1 on success, 0 with `error` set (the library's error text).
int ostrand_list(const std::string& path, std::vector<std::string>& lines, std::string& error);
