// cd11gen: writes a synthetic recorder CD1.1 file from a short description
// given on the command line.
#include "platform/console.h"
#include "recorder_writer.h"
#include "talvex_version.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "Usage: cd11gen [options] OUTPUT\n"
    "  -c SITE:NAME:LOC[:SENSOR[:FLAGS]]  add a channel (repeatable); SENSOR 0..6;\n"
    "                          FLAGS: p plain samples (default Canadian compressed),\n"
    "                          k calibration factor and period valid\n"
    "  -r RATE                 samples per second (100)\n"
    "  -l MS                   subframe time length, milliseconds (1000)\n"
    "  -n COUNT                complete subframe groups (10)\n"
    "  -p K                    one more, incomplete group of the first K channels\n"
    "  -t TIME                 first sample time, \"yyyyddd hh:mm:ss.ttt\" (2006265 10:20:30.750)\n"
    "  -s SIGNAL               sine, walk, const, steps or jumps (sine)\n"
    "  -A AMPLITUDE            signal amplitude in counts (1000)\n"
    "  -S SEED                 random seed (1)\n"
    "  -e TYPE                 recording type: con, evt, cal or soh (con)\n"
    "  -T CHAN[:SECS[.MS]]     first trigger channel (7: external) and trigger time\n"
    "                          (seconds since 1970; default the first sample time)\n"
    "  -C SIZE                 channel status size in bytes (48)\n"
    "  -a SIZE                 authentication size in bytes (0); sets the authentication flag\n"
    "  -g LAT,LON,ELEV         coordinates (degrees, degrees, metres)\n"
    "  -G BITS                 GPS status: on, off, unlocked or off,unlocked (on)\n"
    "  -k MICROSEC             clock differential (0)\n"
    "  -b WEIGHT               bit weight, volts per count (1e-6)\n"
    "  -x SITE                 site name of the frame header (TALV1)\n"
    "  -h, --help              this text;  --version  the program's version\n";

bool parse_time(const char* text, std::int64_t* ms) {
    int year, doy, h, m, s, t;
    if (std::sscanf(text, "%4d%3d %d:%d:%d.%d", &year, &doy, &h, &m, &s, &t) != 6)
        return false;
    // Days from 1970-01-01 to 1 January of the year (Gregorian), then the day of year.
    const std::int64_t y = year - 1;
    const std::int64_t days = 365 * (y - 1969) + (y / 4 - 1969 / 4) - (y / 100 - 1969 / 100) +
                              (y / 400 - 1969 / 400) + (doy - 1);
    *ms = ((days * 24 + h) * 60 + m) * 60000 + static_cast<std::int64_t>(s) * 1000 + t;
    return true;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string::size_type i = 0;
    for (;;) {
        const auto j = s.find(sep, i);
        out.push_back(s.substr(i, j == std::string::npos ? std::string::npos : j - i));
        if (j == std::string::npos)
            return out;
        i = j + 1;
    }
}

bool parse_channel(const char* text, GenChannel* ch) {
    const auto parts = split(text, ':');
    if (parts.size() < 3 || parts.size() > 5)
        return false;
    ch->site = parts[0];
    ch->name = parts[1];
    ch->location = parts[2];
    if (parts.size() > 3)
        ch->sensor_type = std::atoi(parts[3].c_str());
    if (parts.size() > 4) {
        for (char f : parts[4]) {
            if (f == 'p')
                ch->compressed = false;
            else if (f == 'k') {
                ch->calib_option = true;
                ch->calib_factor = 1.25e-3f;
                ch->calib_period = 1.0f;
            } else
                return false;
        }
    }
    return true;
}

int fail(const char* what, const char* arg) {
    std::fprintf(stderr, "cd11gen: %s: %s\n%s", what, arg, kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Names outside ASCII are written as UTF-8: the console is to show them so.
    platform::console_output_utf8();
    RecorderPlan plan;
    plan.start_ms = 1158920430750; // 2006-09-22 10:20:30.750
    bool trigger_time_given = false;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("cd11gen %s\n", TALVEX_TOOLSET_VERSION);
            return 0;
        }
        if (arg[0] != '-' || arg[1] == '\0') {
            files.push_back(arg);
            continue;
        }
        const int opt = arg[1];
        const char* optarg = nullptr;
        if (std::strchr("crlnptsASeTCagGkbx", opt) != nullptr) {
            // The value follows the letter or is the next argument.
            if (arg[2] != '\0')
                optarg = arg + 2;
            else if (i + 1 < argc)
                optarg = argv[++i];
            else
                return fail("option needs a value", arg);
        } else if (opt != 'h' || arg[2] != '\0') {
            return fail("invalid option", arg);
        }
        switch (opt) {
        case 'c': {
            GenChannel ch;
            if (!parse_channel(optarg, &ch))
                return fail("bad channel", optarg);
            plan.channels.push_back(ch);
            break;
        }
        case 'r':
            plan.rate = std::atof(optarg);
            break;
        case 'l':
            plan.subframe_ms = std::atoi(optarg);
            break;
        case 'n':
            plan.subframes = std::atoi(optarg);
            break;
        case 'p':
            plan.partial_group = std::atoi(optarg);
            break;
        case 't':
            if (!parse_time(optarg, &plan.start_ms))
                return fail("bad time", optarg);
            break;
        case 's': {
            const std::string s = optarg;
            if (s == "sine")
                plan.signal = GenSignal::Sine;
            else if (s == "walk")
                plan.signal = GenSignal::RandomWalk;
            else if (s == "const")
                plan.signal = GenSignal::Constant;
            else if (s == "steps")
                plan.signal = GenSignal::Steps;
            else if (s == "jumps")
                plan.signal = GenSignal::FullRange;
            else
                return fail("bad signal", optarg);
            break;
        }
        case 'A':
            plan.amplitude = std::atof(optarg);
            break;
        case 'S':
            plan.seed = static_cast<std::uint32_t>(std::strtoul(optarg, nullptr, 10));
            break;
        case 'e': {
            const std::string s = optarg;
            if (s == "con")
                plan.recording_type = "FILE_CON";
            else if (s == "evt")
                plan.recording_type = "FILE_EVT";
            else if (s == "cal")
                plan.recording_type = "FILE_CAL";
            else if (s == "soh")
                plan.recording_type = "FILE_SOH";
            else
                return fail("bad recording type", optarg);
            break;
        }
        case 'T': {
            const auto parts = split(optarg, ':');
            plan.trigger_channel = std::atoi(parts[0].c_str());
            if (parts.size() > 1) {
                const double t = std::atof(parts[1].c_str());
                plan.trigger_time = static_cast<std::int64_t>(t);
                plan.trigger_ms =
                    static_cast<int>((t - static_cast<double>(plan.trigger_time)) * 1000.0 + 0.5);
                trigger_time_given = true;
            }
            break;
        }
        case 'C':
            plan.status_size = std::atoi(optarg);
            break;
        case 'a':
            plan.auth_size = std::atoi(optarg);
            plan.authentication = plan.auth_size > 0 ? 1 : 0;
            break;
        case 'g':
            if (std::sscanf(optarg, "%f,%f,%f", &plan.latitude, &plan.longitude, &plan.elevation) !=
                3)
                return fail("bad coordinates", optarg);
            break;
        case 'G': {
            const std::string s = optarg;
            plan.misc_status = 0;
            if (s.find("off") != std::string::npos)
                plan.misc_status |= 2;
            if (s.find("unlocked") != std::string::npos)
                plan.misc_status |= 4;
            break;
        }
        case 'k':
            plan.clock_diff = std::atoi(optarg);
            break;
        case 'b':
            plan.bit_weight = static_cast<float>(std::atof(optarg));
            break;
        case 'x':
            plan.site = optarg;
            break;
        case 'h':
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (files.size() != 1)
        return fail("one output file name expected", files.size() > 1 ? files[1] : "(none)");
    if (plan.channels.empty())
        plan.channels.push_back(GenChannel{});
    if (!trigger_time_given) {
        plan.trigger_time = plan.start_ms / 1000;
        plan.trigger_ms = static_cast<int>(plan.start_ms % 1000);
    }
    std::string error;
    if (!recorder_write(plan, files[0], &error)) {
        std::fprintf(stderr, "cd11gen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
