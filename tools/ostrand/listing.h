// Channel listing of a SUDS file: one line per DescripTrace, with the
// StationComp of the same station identifier for sensor and units.
//
// Line layout: every value stands under its heading of the front end's
// info header ("Network\tStation\tComponent Begin Date and Time\t
// Length(s) Rate(sps) Sensor Motion Units", tab stops every 8 cells), text
// from the heading's first cell, numbers ending in its last. Cells, counted
// from 0 once tabs are expanded (characters, counted from 1, differ: a tab
// is one character but covers up to 8 cells):
//   cells 0..6   network (long network, else the short one), then a tab
//   cells 8..13  station (long station, else the short name), then a tab
//   cells 16..18 component (long component, else the letter), tab, 2 blanks
//   cells 26..48 begin date and time "yyyy/mm/dd hh:mm:ss.sss"
//   cells 52..60 length in seconds; cells 62..70 rate in samples per second
//   cell 72 sensor letter; cells 79.. motion; cells 86.. units
// Characters 1..14 are the station identity and 16..18 the component, as
// the front end reads them. A line holds at most 83 characters.
#pragma once

#include <string>
#include <vector>

#include <suds/suds.h>

inline constexpr size_t kListingLineMax = 96;

// The listing line of one trace; sc is the channel's StationComp, or null.
std::string ostrand_line(const SudsDescripTrace& dt, const SudsStationComp* sc);

// Reads every structure of the SUDS file at path and lists its traces in
// file order. 1 on success, 0 with `error` set (the library's error text).
int ostrand_list(const std::string& path, std::vector<std::string>& lines, std::string& error);
