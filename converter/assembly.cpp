#include "assembly.h"

#include "canadian.h"
#include "platform/paths.h"
#include "staging.h"
#include "run.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct Assembly {
    int fd = 0;                 // SUDS descriptor of the open channel, 0 when none
    int k = -1;                 // channel index
    std::string file_name;      // its work file
    SudsDescripTrace trace;     // the DescripTrace being built
    std::int64_t total = 0;     // running sample total
    double rate = 0.0;          // samples per second as stored
};

Assembly g_asm;

constexpr std::int64_t kMaxSudsBytes = std::numeric_limits<std::int32_t>::max();

void suds_fail()
{
    std::fprintf(stderr, "\n%s\n", suds_error_text());
}

// Reads a run of decimal digits; false when any character is not a digit.
bool digits(const char* p, int count, int* out)
{
    int v = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        v = v * 10 + (p[i] - '0');
    }
    *out = v;
    return true;
}

} // namespace

double recorder_time_to_suds(const char* text)
{
    int year, doy, hour, minute, second, ms;
    if (!digits(text, 4, &year) || !digits(text + 4, 3, &doy) || !digits(text + 8, 2, &hour) ||
        !digits(text + 11, 2, &minute) || !digits(text + 14, 2, &second) || !digits(text + 17, 3, &ms))
        return 0.0;
    int month = 0, day = 0;
    month_and_day(doy, is_leap_year(static_cast<int16_t>(year), SUDS_JULIAN), &month, &day);
    if (doy < 1 || month < 1 || month > 12)
        return 0.0;
    return suds_make_time(static_cast<int16_t>(year), static_cast<int16_t>(month), static_cast<int16_t>(day),
                          static_cast<int16_t>(hour), static_cast<int16_t>(minute), second + ms / 1000.0);
}

char component_letter(const char name[3])
{
    for (int i = 0; i < 3; ++i) {
        const char c = name[i];
        if (c == 'z' || c == 'Z' || c == 'v' || c == 'V')
            return 'V';
    }
    return name[2] != '\0' ? name[2] : name[0];
}

char sensor_letter(int sensor_type)
{
    static const char letters[] = {'s', 'h', 'i', 'w', 'o', 'v', 'a'};
    if (sensor_type < 0 || sensor_type > 6)
        return '_';
    return letters[sensor_type];
}

std::string location_file_name(const std::string& work_name, const char location[2])
{
    // A character that cannot stand in a file name is written as '_'.
    auto safe = [](char c) { return (c == '/' || c == '\0') ? '_' : c; };
    std::string tag = "_";
    tag += safe(location[0]);
    if (location[1] != ' ')
        tag += safe(location[1]);
    const auto dot = platform::extension_dot(work_name);
    if (dot == std::string::npos)
        return work_name + tag;
    return work_name.substr(0, dot) + tag + work_name.substr(dot);
}

bool assembly_start_channel(const std::string& work_name, int k, const RecorderSubframe& sf)
{
    assembly_reset();
    std::string name = g_run.location_split ? location_file_name(work_name, sf.location) : work_name;
    if (platform::same_file(name, g_run.input_name)) {
        report("\nERROR: SUDS file would overwrite the input file: %s\n", name.c_str());
        return false;
    }
    const auto it = std::find(g_run.work_files.begin(), g_run.work_files.end(), name);
    const bool reopen = it != g_run.work_files.end();
    // SUDS positions are 32-bit: the file must stay below 2 GiB.
    // SUDS output (-suds) is written under its staging name until pass 1 succeeds;
    // a work file for pass 2 is written under its own name.
    const std::string path = g_run.suds ? staging_name(name) : name;
    struct stat st;
    const std::int64_t size = reopen && stat(path.c_str(), &st) == 0 ? st.st_size : 0;
    if (size + 2 * SUDS_TAG_SIZE + SUDS_SIZE_STATION_COMP + SUDS_SIZE_DESCRIP_TRACE +
            4 * static_cast<std::int64_t>(sf.samples) > kMaxSudsBytes) {
        report("\nERROR: SUDS file would grow past 2 GiB: %s\n", name.c_str());
        return false;
    }
    int fd;
    if (reopen) {
        fd = suds_open(path.c_str(), SUDS_MODE_APPEND);
    } else {
        fd = suds_open(path.c_str(), SUDS_MODE_CREATE);
        if (fd > 0)
            g_run.work_files.push_back(name);
    }
    if (fd <= 0) {
        suds_fail();
        return false;
    }
    g_asm.fd = fd;
    g_asm.k = k;
    g_asm.file_name = name;

    const double start = recorder_time_to_suds(sf.time_stamp);
    const double whole = std::trunc(start);
    const std::int32_t effective = (whole >= std::numeric_limits<std::int32_t>::min() &&
                                    whole <= std::numeric_limits<std::int32_t>::max())
                                       ? static_cast<std::int32_t>(whole)
                                       : SUDS_NULL_TIME;

    char station[8];
    std::snprintf(station, sizeof station, "CH%d", k);
    station[4] = '\0';
    const char comp = component_letter(sf.channel);
    SudsLongStationIdentifier long_id;
    long_id.long_network = "NET";
    long_id.long_station.assign(sf.site, strnlen(sf.site, 5));
    long_id.long_component.assign(sf.channel, strnlen(sf.channel, 3));

    SudsRecord rec;
    rec.type = SUDS_STATION_COMP;
    suds_init_struct(&rec);
    SudsStationComp sc;
    suds_get_station_comp(rec.body, &sc);
    sc.station.network = "NET";
    sc.station.station_name = station;
    sc.station.component = comp;
    sc.latitude = sf.latitude;
    sc.longitude = sf.longitude;
    sc.elevation = sf.elevation;
    if (sf.sensor_type <= 6)
        sc.sensor_type = sensor_letter(sf.sensor_type);
    sc.data_type = 'l';
    sc.data_units = 'd';
    sc.conversion_to_mvolts = static_cast<float>(sf.bit_weight * 1000.0);
    sc.channel = static_cast<int16_t>(k + 1);
    sc.atod_gain = 1;
    // The effective date is a whole-second field.
    sc.effective_date = effective;
    sc.long_station = long_id;
    suds_record_put(sc, 0, &rec);
    if (suds_write_struct(fd, &rec) != 1) {
        suds_fail();
        return false;
    }

    rec.type = SUDS_DESCRIP_TRACE;
    suds_init_struct(&rec);
    SudsDescripTrace dt;
    suds_get_descrip_trace(rec.body, &dt);
    dt.station = sc.station;
    dt.long_station = long_id;
    // The trace keeps the milliseconds of its first time stamp: cutting them
    // would shift every sample of the channel.
    dt.initial_sample_time = start;
    dt.data_type = 'l';
    dt.number_of_samples = sf.samples;
    dt.samples_per_second = static_cast<float>(sf.samples * 1000.0 / sf.time_length_ms);
    dt.minimum_data_value = -8388068.0f;
    dt.maximum_data_value = 8388067.0f;
    dt.average_noise = 0.0f;
    dt.time_correction = 0.0;
    dt.rate_correction = 0.0f;
    suds_record_put(dt, 4 * sf.samples, &rec);
    if (suds_write_struct(fd, &rec) != 1) {
        suds_fail();
        return false;
    }
    g_asm.trace = dt;
    g_asm.total = sf.samples;
    g_asm.rate = dt.samples_per_second;
    return true;
}

bool assembly_add_samples(long n)
{
    if ((g_asm.total + n) * 4 > kMaxSudsBytes) {
        report("\nERROR: Channel %d holds more samples than one SUDS trace can take (%lld): %s\n", g_asm.k + 1,
               static_cast<long long>(g_asm.total + n), g_asm.file_name.c_str());
        return false;
    }
    g_asm.total += n;
    return true;
}

bool assembly_append_samples(std::FILE* in, const RecorderSubframe& sf)
{
    const std::int32_t pos = suds_file_position(g_asm.fd);
    if (pos < 0) {
        suds_fail();
        return false;
    }
    if (static_cast<std::int64_t>(pos) + 4 * static_cast<std::int64_t>(sf.samples) > kMaxSudsBytes) {
        report("\nERROR: SUDS file would grow past 2 GiB: %s\n", g_asm.file_name.c_str());
        return false;
    }
    return canadian_read_samples(in, sf.transformation, sf.samples, sf.data_size, g_asm.fd) == 1;
}

bool assembly_finish_channel(float bit_weight)
{
    if (g_asm.fd <= 0) {
        // No subframe was read for the channel; nothing to finish.
        return false;
    }
    g_asm.trace.number_of_samples = static_cast<std::int32_t>(g_asm.total);
    SudsRecord rec;
    suds_record_put(g_asm.trace, static_cast<std::int32_t>(4 * g_asm.total), &rec);
    if (suds_update(g_asm.fd, &rec) != 1 || suds_flush(g_asm.fd) != 1) {
        suds_fail();
        return false;
    }
    suds_close(g_asm.fd);
    g_asm.fd = 0;
    g_run.bit_weights.push_back(bit_weight);
    return true;
}

const std::string& assembly_file_name() { return g_asm.file_name; }
std::int64_t assembly_sample_total() { return g_asm.total; }
double assembly_rate() { return g_asm.rate; }
bool assembly_channel_open() { return g_asm.fd > 0; }

void assembly_reset()
{
    if (g_asm.fd > 0)
        suds_close(g_asm.fd);
    g_asm = Assembly{};
}
