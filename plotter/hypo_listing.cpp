#include "hypo_listing.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include <suds/suds.h>

namespace {

constexpr size_t kMaxListingLine = 254;

// One listing line without its line end. Characters past the 254th are
// dropped, so a long line never turns into a second, spurious line.
bool next_line(FILE* f, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = fgetc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (line.size() < kMaxListingLine)
            line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

// Characters of a field, cut where the line ends.
std::string field_text(const char* line, int col, int width) {
    size_t len = strlen(line);
    if (col < 0 || static_cast<size_t>(col) >= len || width <= 0)
        return {};
    return std::string(line + col, std::min(static_cast<size_t>(width), len - col));
}

// Number at the start of a text after blanks: sign, digits, point, exponent.
bool parse_number(const std::string& text, bool integer, double* out) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t')
        ++p;
    std::string num;
    if (*p == '+' || *p == '-')
        num += *p++;
    bool digits = false;
    while (isdigit(static_cast<unsigned char>(*p)))
        num += *p++, digits = true;
    if (!integer && *p == '.') {
        num += *p++;
        while (isdigit(static_cast<unsigned char>(*p)))
            num += *p++, digits = true;
        if (digits && (*p == 'e' || *p == 'E')) {
            const char* q = p + 1;
            if (*q == '+' || *q == '-')
                ++q;
            if (isdigit(static_cast<unsigned char>(*q))) {
                num.append(p, static_cast<std::size_t>(q - p));
                while (isdigit(static_cast<unsigned char>(*q)))
                    num += *q++;
            }
        }
    }
    if (!digits)
        return false;
    *out = strtod(num.c_str(), nullptr);
    return std::isfinite(*out);
}

// Character of a column, or 0 past the line's end.
char column(const char* line, int col) {
    return static_cast<size_t>(col) < strlen(line) ? line[col] : '\0';
}

// Character of a column, written to dest only when the line reaches it.
void take_char(const char* line, int col, char* dest) {
    if (static_cast<size_t>(col) < strlen(line))
        *dest = line[col];
}

bool starts_with(const std::string& line, const char* prefix) {
    return line.compare(0, strlen(prefix), prefix) == 0;
}

int16_t full_year_2(int16_t yy) {
    return static_cast<int16_t>(yy < 70 ? yy + 2000 : yy + 1900);
}

// Name and component text of a record for the event lists: the long station
// and long component when either is set, else the short station and letter.
void event_list_names(const TraceRecord& r, std::string& name, std::string& comp) {
    const std::string long_station(r.long_id + 8, strnlen(r.long_id + 8, 16));
    const std::string long_comp(r.long_id + 24, strnlen(r.long_id + 24, 8));
    if (!long_station.empty() || !long_comp.empty()) {
        name = long_station;
        comp = long_comp;
    } else {
        name.assign(r.station, strnlen(r.station, 5));
        comp = r.component ? std::string(1, r.component) : std::string();
    }
}

bool begins_at(const std::string& line, size_t col, const std::string& what) {
    return line.size() >= col && line.compare(col, what.size(), what) == 0;
}

// The shared body of the local and teleseismic event lists.
int read_event_list(FILE* f, std::vector<TraceRecord>& db, HypoSummary& hypo, bool teleseismic) {
    std::string line;
    int state = 0;
    int16_t year = 0, month = 0, day = 0;
    float event_distance = 999.0f;
    std::string carried(9, ' ');
    while (next_line(f, line)) {
        if (state == 0) {
            if (!starts_with(line, "    DATE     ORIGIN-TIME"))
                continue;
            if (!next_line(f, line))
                break;
            const char* s = line.c_str();
            int16_t hour = 0, minute = 0;
            double seconds = 0.0;
            read_fixed_field(s, 1, 4, &year);
            read_fixed_field(s, 6, 2, &month);
            read_fixed_field(s, 9, 2, &day);
            read_fixed_field(s, 13, 2, &hour);
            read_fixed_field(s, 16, 2, &minute);
            read_fixed_field(s, 19, 5, &seconds);
            hypo.origin_time = suds_make_time(year, month, day, hour, minute, seconds);
            read_fixed_field(s, 27, 6, &hypo.latitude);
            if (column(s, 33) == 'S')
                hypo.latitude = -hypo.latitude;
            read_fixed_field(s, 37, 7, &hypo.longitude);
            if (column(s, 44) == 'W')
                hypo.longitude = -hypo.longitude;
            read_fixed_field(s, 46, 6, &hypo.depth);
            read_fixed_field(s, 53, 6, &hypo.magnitude);
            read_fixed_field(s, 60, 5, &hypo.rms);
            read_fixed_field(s, 75, 3, &hypo.gap);
            read_fixed_field(s, 68, 2, &hypo.nl);
            read_fixed_field(s, 71, 2, &hypo.nm);
            if (teleseismic)
                read_fixed_field(s, 80, 5, &event_distance);
            hypo.kind = teleseismic ? 3 : 2;
            state = 1;
            continue;
        }
        if (state == 1) {
            if (starts_with(line, "  STATION  CHN"))
                state = 2;
            continue;
        }
        // A phase line whose station columns are blank continues the station above.
        if (line.size() >= 14 && line.compare(5, 9, std::string(9, ' ')) == 0)
            line.replace(5, 9, carried);
        const char* s = line.c_str();
        for (TraceRecord& r : db) {
            std::string name, comp;
            event_list_names(r, name, comp);
            if (name.empty() || !begins_at(line, 5, name) || !begins_at(line, 11, comp))
                continue;
            if (line.size() >= 14)
                carried = line.substr(5, 9);
            if (teleseismic)
                r.delta = event_distance;
            else
                read_fixed_field(s, 15, 4, &r.delta);
            int16_t hour = 0, minute = 0;
            double seconds = 0.0;
            read_fixed_field(s, 34, 2, &hour);
            read_fixed_field(s, 37, 2, &minute);
            read_fixed_field(s, 40, 6, &seconds);
            const double phase_time = suds_make_time(year, month, day, hour, minute, seconds);
            const char phase = column(s, 50);
            if (phase == 'P') {
                r.p_observed = phase_time;
                double residual = 0.0;
                read_fixed_field(s, 53, 7, &residual);
                r.p_calculated = r.p_observed - residual;
                read_fixed_field(s, 51, 1, &r.p_weight);
                take_char(s, 49, &r.p_onset);
                take_char(s, 48, &r.p_first_motion);
                read_fixed_field(s, 77, 4, &r.fmp);
            } else if (phase == 'S') {
                r.s_observed = phase_time;
                read_fixed_field(s, 51, 1, &r.s_weight);
                take_char(s, 49, &r.s_onset);
                take_char(s, 48, &r.s_first_motion);
            }
        }
    }
    return static_cast<int>(db.size());
}

} // namespace

namespace {

// A fixed-column field as T: whole numbers for the integer kinds.
template <typename T> bool read_field_as(const char* line, int col, int width, T* dest) {
    double v;
    if (!parse_number(field_text(line, col, width), std::is_integral_v<T>, &v))
        return false;
    *dest = static_cast<T>(v);
    return true;
}

} // namespace

bool read_fixed_field(const char* line, int col, int width, int16_t* dest) {
    return read_field_as(line, col, width, dest);
}
bool read_fixed_field(const char* line, int col, int width, int32_t* dest) {
    return read_field_as(line, col, width, dest);
}
bool read_fixed_field(const char* line, int col, int width, float* dest) {
    return read_field_as(line, col, width, dest);
}
bool read_fixed_field(const char* line, int col, int width, double* dest) {
    return read_field_as(line, col, width, dest);
}

int hypo_read_prt(FILE* f, std::vector<TraceRecord>& db, HypoSummary& hypo) {
    std::string line;
    int state = 0;
    while (next_line(f, line)) {
        const char* s = line.c_str();
        if (state == 0) {
            if (!starts_with(line, "  DATE"))
                continue;
            if (!next_line(f, line))
                break;
            s = line.c_str();
            int16_t yy = 0, month = 0, day = 0, hour = 0, minute = 0;
            double seconds = 0.0;
            read_fixed_field(s, 1, 2, &yy);
            read_fixed_field(s, 3, 2, &month);
            read_fixed_field(s, 5, 2, &day);
            read_fixed_field(s, 8, 2, &hour);
            read_fixed_field(s, 10, 2, &minute);
            read_fixed_field(s, 13, 5, &seconds);
            hypo.origin_time = suds_make_time(full_year_2(yy), month, day, hour, minute, seconds);
            read_fixed_field(s, 19, 2, &hypo.lat_degrees);
            read_fixed_field(s, 22, 5, &hypo.lat_minutes);
            read_fixed_field(s, 28, 3, &hypo.lon_degrees);
            read_fixed_field(s, 32, 5, &hypo.lon_minutes);
            read_fixed_field(s, 38, 6, &hypo.depth);
            read_fixed_field(s, 46, 5, &hypo.magnitude);
            read_fixed_field(s, 52, 2, &hypo.station_count);
            read_fixed_field(s, 58, 3, &hypo.gap);
            read_fixed_field(s, 63, 5, &hypo.rms);
            read_fixed_field(s, 69, 4, &hypo.erh);
            read_fixed_field(s, 74, 4, &hypo.erz);
            hypo.kind = 1;
            state = 1;
            continue;
        }
        if (state == 1) {
            if (starts_with(line, "  STN"))
                state = 2;
            continue;
        }
        for (TraceRecord& r : db) {
            const size_t n = strnlen(r.station, 5);
            if (n == 0 || line.size() < 1 + n || line.compare(1, n, r.station, n) != 0)
                continue;
            read_fixed_field(s, 6, 5, &r.delta);
            read_fixed_field(s, 23, 1, &r.p_weight);
            if (column(s, 21) == 'R')
                r.reverse = 1;
            if (r.p_weight < 5) {
                take_char(s, 20, &r.p_onset);
                take_char(s, 22, &r.p_first_motion);
                double tp = 0.0;
                if (read_fixed_field(s, 36, 5, &tp))
                    r.p_observed = hypo.origin_time + tp;
            }
            double tc = 0.0;
            if (read_fixed_field(s, 42, 5, &tc))
                r.p_calculated = hypo.origin_time + tc;
            read_fixed_field(s, 71, 3, &r.fmp);
            if (column(s, 100) == 'S') {
                read_fixed_field(s, 102, 1, &r.s_weight);
                take_char(s, 99, &r.s_onset);
                take_char(s, 101, &r.s_first_motion);
                double ts = 0.0;
                if (read_fixed_field(s, 110, 5, &ts))
                    r.s_observed = hypo.origin_time + ts;
            }
        }
    }
    return static_cast<int>(db.size());
}

int hypo_read_evl(FILE* f, std::vector<TraceRecord>& db, HypoSummary& hypo) {
    return read_event_list(f, db, hypo, false);
}

int hypo_read_evt(FILE* f, std::vector<TraceRecord>& db, HypoSummary& hypo) {
    return read_event_list(f, db, hypo, true);
}
