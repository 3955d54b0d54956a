// The file information view without its window: the channel listing that
// ostrand writes beside a SUDS file, read back and put in display order.
//
// Listing line positions the view relies on (counted from 1):
//   1..14  station identity (network and station); equal here = one station
//   1..17  first ordering key
//  16..18  component code; "Z", "z", "V" or "v" in it marks a vertical
#pragma once

#include <string>
#include <vector>

namespace fenwold {

// Header of the info window; the listing's columns line up under it when
// both are shown in one fixed-pitch font with tab stops every 8 cells.
inline constexpr const char* kInfoHeader =
    "Network\tStation\tComponent Begin Date and Time\t    Length(s) Rate(sps) Sensor Motion Units";
inline constexpr int kInfoTabWidth = 8; // cells between tab stops
// Characters per listing line: the columns lined up cell for cell under the
// header take 83 (73 cannot hold them: 16 are needed from Sensor on).
inline constexpr size_t kInfoLineMax = 96;

struct InfoList {
    std::vector<std::string> lines; // the last listing read successfully
};

// Reads a listing file: one entry per line, a line longer than
// kInfoLineMax characters in pieces of that many, line ends (LF or CR LF) removed and each entry
// cut at a carriage return left inside it. False when the file cannot be
// opened (lines untouched).
bool info_read_listing(const std::string& path, std::vector<std::string>& lines);

// True when characters 16..18 of some line hold z, Z, v or V.
bool info_has_vertical(const std::vector<std::string>& lines);

// Puts the lines in display order: by characters 1..17 (byte values; a
// shorter line sorts first), then inside each station (characters 1..14)
// by component code, descending when any line is a vertical (Z before N
// before E), else ascending (1, 2, 3). Equal keys keep their order.
void info_order(std::vector<std::string>& lines);

// The text with tabs expanded to stops every kInfoTabWidth cells.
std::string info_expand_tabs(const std::string& text);

} // namespace fenwold
