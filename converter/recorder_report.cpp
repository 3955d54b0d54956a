#include "recorder_report.h"

#include "run.h"

#include <cstdio>
#include <cstring>

#include <suds/suds.h>

void report_site_and_type(const RecorderHeader& h) {
    report("Site Name: %5.5s\n", h.creator);
    const char* text = "Recording Type: Unknown\n";
    if (std::memcmp(h.destination, "FILE_CON", 8) == 0)
        text = "Recording Type: Continuous\n";
    else if (std::memcmp(h.destination, "FILE_EVT", 8) == 0)
        text = "Recording Type: Event\n";
    else if (std::memcmp(h.destination, "FILE_CAL", 8) == 0)
        text = "Recording Type: Calibration\n";
    else if (std::memcmp(h.destination, "FILE_SOH", 8) == 0)
        text = "Recording Type: SOH\n";
    report("%s", text);
}

void report_channel_count_and_start(const RecorderHeader& h) {
    // Month and day of the day of year (Julian leap rule).
    const RecorderTime t = recorder_time_parse(h.nominal_time);
    int month = 0, day = 0;
    month_and_day(t.day_of_year, is_leap_year(static_cast<int16_t>(t.year), SUDS_JULIAN), &month,
                  &day);
    report("Number of Channels: %d\n", h.channels);
    report("Start Time: %d/%d/%4.4s %12.12s\t", month, day, h.nominal_time, h.nominal_time + 8);
}

std::string recorder_trigger_text(std::int32_t series, std::int32_t ms) {
    int16_t y, mo, d, hh, mi;
    double s;
    suds_split_time(static_cast<double>(series), &y, &mo, &d, &hh, &mi, &s);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%d:%6.3f", mo, d, y, hh, mi,
                  static_cast<int>(s) + ms / 1000.0);
    return buf;
}

std::string report_time_text(double t) {
    int16_t y, mo, d, h, mi;
    double s;
    suds_split_time(t, &y, &mo, &d, &h, &mi, &s);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%06.3f", y, mo, d, h, mi, s);
    return buf;
}

void report_channel(const RecorderHeader& h, const RecorderSubframe& sf, const ChannelSummary& c) {
    const double rate = c.rate;
    if (c.k == 0) {
        report("Duration: %d sec\n",
               rate > 0 ? static_cast<int>(static_cast<double>(c.samples) / rate) : 0);
        if (h.event) {
            if (h.trigger_channel == 7)
                report("Event time: %s\tExternal digital trigger\n", h.trigger_text.c_str());
            else
                report("Event time: %s\tFirst trigger on channel %d\n", h.trigger_text.c_str(),
                       h.trigger_channel);
        }
        report("Site Latitude: %9.5f  Longitude: %10.5f Elevation: %6.1f meters\n", sf.latitude,
               sf.longitude, sf.elevation);
        report("%s", (sf.misc_status & kGpsOffBit) ? "GPS receiver OFF" : "GPS receiver ON");
        report("%s", (sf.misc_status & kGpsUnlockedBit) ? ", UNLOCKED \t" : ", LOCKED \t");
        report("Clock differential (microsec): %-10d\n", sf.clock_diff);
    }
    report("Channel %1d: %3.3s   Location: %2.2s   Rate: %4.0f sps\n", c.k + 1, sf.channel,
           sf.location, rate);
    static const char* const sensors[] = {
        " Sensor: Seismic", " Sensor: Hydroacoustic", " Sensor: Infrasonic",  " Sensor: Weather",
        " Sensor: Other",   " Sensor: Velocity",      " Sensor: Acceleration"};
    report("%s", sf.sensor_type <= 6 ? sensors[sf.sensor_type] : " Sensor: Other");
    if (sf.authentication == 0)
        report("   Authentication: Off");
    else if (sf.authentication == 1)
        report("   Authentication: On");
    if (sf.transformation == 0)
        report("   Compression: Off\n");
    else if (sf.transformation == 1)
        report("   Compression: On\n");
    if (sf.option_flag == 1)
        report(" Calib: %.2e  Calper: %7.4f sec\n", sf.calib_factor, sf.calib_period);
    report(" Bit Weight: %.6e V/count\n", sf.bit_weight);
    if (c.output_file)
        report("Output file: %s\n", c.output_file->c_str());
}
