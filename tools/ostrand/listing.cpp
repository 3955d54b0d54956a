#include "listing.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

// A number right-aligned in exactly `width` cells, with as many of `decimals`
// as fit; "-" for a value that is absent.
std::string fit_number(double value, int width, int decimals, bool absent) {
    char buf[64];
    if (absent || !std::isfinite(value)) {
        std::snprintf(buf, sizeof buf, "%*s", width, "-");
        return buf;
    }
    for (int d = decimals; d >= 0; --d) {
        int n = std::snprintf(buf, sizeof buf, "%*.*f", width, d, value);
        if (n <= width)
            return buf;
    }
    std::snprintf(buf, sizeof buf, "%*.*e", width, width > 8 ? width - 8 : 0, value);
    return std::string(buf).substr(0, static_cast<size_t>(width));
}

std::string first_of(const std::string& long_name, const std::string& short_name) {
    return long_name.empty() ? short_name : long_name;
}

std::string time_text(double t) {
    char buf[64];
    if (t == SUDS_NULL_TIME || !std::isfinite(t)) {
        std::snprintf(buf, sizeof buf, "%-23s", "-");
        return buf;
    }
    int16_t year, month, day, hour, minute;
    double seconds;
    suds_split_time(t, &year, &month, &day, &hour, &minute, &seconds);
    // Milliseconds rounded; a value that would read 60.000 stays at 59.999.
    long ms = std::lround(seconds * 1000.0);
    if (ms > 59999)
        ms = 59999;
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02ld.%03ld", year, month, day, hour,
                  minute, ms / 1000, ms % 1000);
    std::string s = buf;
    s.resize(23, ' ');
    return s;
}

char shown_letter(char c) {
    return (c == '_' || c == '\0' || c == ' ') ? '-' : c;
}

const char* motion_of(char sensor) {
    switch (sensor) {
    case 'v':
        return "vel";
    case 'a':
        return "acc";
    case 'h':
    case 'i':
        return "prs";
    default:
        return "-";
    }
}

std::string units_of(char units) {
    switch (units) {
    case 'd':
        return "ct"; // digital counts
    case 'v':
        return "V";
    case 'm':
        return "mV";
    default:
        return std::string(1, shown_letter(units));
    }
}

std::string identifier_key(const SudsStationIdentifier& id) {
    return id.network + '\0' + id.station_name + '\0' + id.component;
}

} // namespace

std::string ostrand_line(const SudsDescripTrace& dt, const SudsStationComp* sc) {
    const std::string net = first_of(dt.long_station.long_network, dt.station.network);
    const std::string sta = first_of(dt.long_station.long_station, dt.station.station_name);
    const std::string comp =
        first_of(dt.long_station.long_component, std::string(1, dt.station.component));
    const double rate = dt.samples_per_second;
    const bool no_rate = !(rate > 0.0) || rate == SUDS_NULL_NUMBER;
    const bool no_count = dt.number_of_samples < 0;
    const double begin = dt.initial_sample_time == SUDS_NULL_TIME
                             ? dt.initial_sample_time
                             : dt.initial_sample_time + dt.time_correction;
    const char sensor = sc ? sc->sensor_type : '_';
    const char units = sc ? sc->data_units : '_';

    char head[64];
    std::snprintf(head, sizeof head, "%-7.7s\t%-6.6s\t%-3.3s\t  ", net.c_str(), sta.c_str(),
                  comp.c_str());
    std::string line = head;
    line += time_text(begin);
    line += "   ";
    line += fit_number(no_rate || no_count ? 0.0 : dt.number_of_samples / rate, 9, 3,
                       no_rate || no_count);
    line += ' ';
    line += fit_number(rate, 9, 3, no_rate);
    line += ' ';
    char tail[32];
    std::snprintf(tail, sizeof tail, "%-7c%-7s%s", shown_letter(sensor), motion_of(sensor),
                  units_of(units).c_str());
    line += tail;
    if (line.size() > kListingLineMax)
        line.resize(kListingLineMax);
    return line;
}

int ostrand_list(const std::string& path, std::vector<std::string>& lines, std::string& error) {
    lines.clear();
    int fd = suds_open(path.c_str(), SUDS_MODE_READ);
    if (fd == 0) {
        error = suds_error_text();
        return 0;
    }
    std::map<std::string, SudsStationComp> comps;
    SudsRecord rec;
    int r;
    while ((r = suds_read_struct(fd, &rec)) == 1) {
        SudsStationComp sc;
        SudsDescripTrace dt;
        if (suds_record_get(rec, &sc)) {
            comps[identifier_key(sc.station)] = sc;
        } else if (suds_record_get(rec, &dt)) {
            auto it = comps.find(identifier_key(dt.station));
            lines.push_back(ostrand_line(dt, it == comps.end() ? nullptr : &it->second));
        }
    }
    if (r == 0)
        error = suds_error_text();
    suds_close(fd);
    return r == 0 ? 0 : 1;
}
