#include "vorlane_settings.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "vorlane_log.h"
#include "vorlane_state.h"

namespace {

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

// Append to a text whose capacity is limited: what does not fit is cut off.
void append_capped(std::string& to, const std::string& what, size_t cap) {
    if (to.size() >= cap)
        return;
    to.append(what, 0, cap - to.size());
}

float clamp_mag(double v) {
    if (v < 0.001)
        v = 0.001;
    if (v > 2.0e9)
        v = 2.0e9;
    return static_cast<float>(v);
}

int16_t to_int16(long v) {
    if (v > 32767)
        return 32767;
    if (v < -32768)
        return -32768;
    return static_cast<int16_t>(v);
}

void add_abs_station(const char* stn) {
    VorlaneState& st = vorlane_state();
    if (st.abs_count >= kMaxAbsStations || *stn == '\0')
        return;
    char* entry = st.abs_list[st.abs_count++];
    strncpy(entry, stn, 4);
    entry[4] = '\0';
}

// One setting of the table below as it was given: on the command line (the
// text after the switch letter and its form) or in the INI file (the value
// after "=", upper-cased and cut at the first blank, and as written).
struct SettingValue {
    long integer = 0;
    double real = 0.0;
    const char* text = "";
    const char* written = "";
    bool from_switch = false;
};

// How a value is read before its range is checked.
enum class ReadAs { kNothing, kInt, kAbsInt, kReal, kAbsReal };

// A range check: outside lo..hi the message is given (for the INI file with the
// line number and the value), the error flag set and the default restored.
struct Range {
    double lo = 0.0;
    double hi = 0.0;
    const char* message = nullptr; // none: no check
};

struct SettingEntry {
    const char* key;  // INI key, matched as a prefix of the upper-cased line; null: no key
    char letter;      // switch letter; 0: no switch
    const char* form; // further letters of the switch that select this entry ("F" of /MF)
    ReadAs switch_read;
    Range switch_range;
    ReadAs ini_read;
    Range ini_range;
    void (*set)(VorlaneState&, const SettingValue&);
    void (*restore)(PlotSettings&); // back to the default after a range error
};

constexpr double kNoLimit = 1.0e300;
const PlotSettings kDefaults;

template <uint16_t Bit> void toggle_annotation(VorlaneState& st, const SettingValue& v) {
    if (v.text[0] == 'N')
        st.settings.annot ^= Bit;
}

// Every switch and INI key of the plotter. Switch forms are tried in table order,
// so a longer form stands before a shorter one of the same letter.
const SettingEntry kSettings[] = {
    {"FIXED_MAG",
     'M',
     "F",
     ReadAs::kReal,
     {},
     ReadAs::kReal,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.magnification = -clamp_mag(v.real);
     },
     nullptr},
    {"MAX_MAG",
     'M',
     "",
     ReadAs::kReal,
     {},
     ReadAs::kReal,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.magnification =
             v.from_switch && v.text[0] == '\0' ? kMagPeak : clamp_mag(v.real);
     },
     nullptr},
    {"ABS_AMPLITUDE",
     'A',
     "BS",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     [](VorlaneState&, const SettingValue& v) { add_abs_station(v.text); },
     nullptr},
    {"BASELINE",
     'B',
     "",
     ReadAs::kInt,
     {1, kNoLimit, "ERROR: /B switch: value must be positive\n"},
     ReadAs::kAbsInt,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.baseline =
             v.integer > 2147483647L ? 2147483647 : static_cast<int32_t>(v.integer);
     },
     [](PlotSettings& s) { s.baseline = kDefaults.baseline; }},
    {"TRACES_PER_PAGE",
     'T',
     "",
     ReadAs::kInt,
     {1, 32, "ERROR: /T switch: value out of range: 1-32\n"},
     ReadAs::kInt,
     {1, 24, "\nERROR in INI @ line %ld: traces per page out of range: %d\n\n"},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.traces_per_page = static_cast<int16_t>(v.integer);
     },
     [](PlotSettings& s) { s.traces_per_page = kDefaults.traces_per_page; }},
    // /Wn gives the whole window, ALIGN_WINDOW its half.
    {"ALIGN_WINDOW",
     'W',
     "",
     ReadAs::kReal,
     {0, kNoLimit, "ERROR: /W switch: value must be positive\n"},
     ReadAs::kAbsReal,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.half_window = v.from_switch ? v.real / 2.0 : v.real;
     },
     [](PlotSettings& s) { s.half_window = kDefaults.half_window; }},
    {"DECIMATE",
     'X',
     "",
     ReadAs::kAbsInt,
     {},
     ReadAs::kAbsInt,
     {},
     [](VorlaneState& st, const SettingValue& v) { st.settings.decimation = to_int16(v.integer); },
     nullptr},
    {"JUMP",
     'J',
     "",
     ReadAs::kReal,
     {0, kNoLimit, "ERROR: /J switch: value must be positive\n"},
     ReadAs::kAbsReal,
     {},
     [](VorlaneState& st, const SettingValue& v) { st.settings.jump = static_cast<float>(v.real); },
     [](PlotSettings& s) { s.jump = kDefaults.jump; }},
    {"LENGTH",
     'L',
     "",
     ReadAs::kReal,
     {0, kNoLimit, "ERROR: /L switch: value must be positive\n"},
     ReadAs::kAbsReal,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.length = static_cast<float>(v.real);
     },
     [](PlotSettings& s) { s.length = kDefaults.length; }},
    {"WEIGHT_CRITERIA",
     'A',
     "",
     ReadAs::kInt,
     {0, 5, "ERROR: /A switch: value out of range: 0-5\n"},
     ReadAs::kInt,
     {1, 5, "\nERROR in INI @ line %ld: weight criteria out of range: %d\n\n"},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.weight_criterion = static_cast<int16_t>(v.integer);
     },
     [](PlotSettings& s) { s.weight_criterion = kDefaults.weight_criterion; }},
    {"RANGE_AXIS",
     'R',
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         if (v.from_switch || v.text[0] == 'Y')
             st.settings.record_section = 1;
     },
     nullptr},
    {"AMPLITUDE_UNIT",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.amp_unit = v.text[0] == 'G' ? 2 : v.text[0] == 'V' ? 1 : 0;
     },
     nullptr},
    {"AMPLIFIER_GAIN",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kAbsReal,
     {},
     [](VorlaneState& st, const SettingValue& v) { st.settings.amp_gain = v.real; },
     nullptr},
    {"COUNTS_PER_VOLT",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kAbsReal,
     {},
     [](VorlaneState& st, const SettingValue& v) { st.settings.counts_per_volt = v.real; },
     nullptr},
    {"VOLTS_PER_GMU",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kAbsReal,
     {},
     [](VorlaneState& st, const SettingValue& v) { st.settings.volts_per_gmu = v.real; },
     nullptr},
    // The unit text keeps the letter case in which it was written.
    {"ANNOT_AMP_TEXT",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         memset(st.settings.amp_unit_text, 0, sizeof st.settings.amp_unit_text);
         strncpy(st.settings.amp_unit_text, v.written, 12);
     },
     nullptr},
    {"ANNOT_EVENTLINE",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     toggle_annotation<kAnnotEventLine>,
     nullptr},
    {"ANNOT_P_REMARK",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     toggle_annotation<kAnnotPRemark>,
     nullptr},
    {"ANNOT_SAMPLERATE",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     toggle_annotation<kAnnotSampleRate>,
     nullptr},
    {"ANNOT_AMP_MAG",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     toggle_annotation<kAnnotAmpMag>,
     nullptr},
    {"ANNOT_SIDELINE",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     toggle_annotation<kAnnotSideLine>,
     nullptr},
    {"ANNOT_CL_ARGS",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     toggle_annotation<kAnnotClArgs>,
     nullptr},
    {"ANNOT_AMP_BRACKETS",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     toggle_annotation<kAnnotAmpBrackets>,
     nullptr},
    {"PAUSE",
     0,
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kReal,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.pause = static_cast<float>(v.real);
     },
     nullptr},
    {nullptr,
     'P',
     "",
     ReadAs::kInt,
     {1, 3, "ERROR: /P switch: value out of range: 1-3\n"},
     ReadAs::kNothing,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.plot_mode = static_cast<int16_t>(v.integer);
     },
     [](PlotSettings& s) { s.plot_mode = kDefaults.plot_mode; }},
    {nullptr,
     'H',
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     [](VorlaneState& st, const SettingValue&) { st.hardcopy_printer = false; },
     nullptr},
    {nullptr,
     'G',
     "",
     ReadAs::kInt,
     {50, 3000, "ERROR: /G switch: value out of range: 50-3000\n"},
     ReadAs::kNothing,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         st.settings.plot_resolution = static_cast<int16_t>(v.integer);
     },
     [](PlotSettings& s) { s.plot_resolution = kDefaults.plot_resolution; }},
    // /D alone dumps the database; /Dj and /Dm choose the date style; other letters do nothing.
    {nullptr,
     'D',
     "",
     ReadAs::kNothing,
     {},
     ReadAs::kNothing,
     {},
     [](VorlaneState& st, const SettingValue& v) {
         const char c = static_cast<char>(toupper(static_cast<unsigned char>(v.text[0])));
         if (c == '\0')
             st.settings.dump = 1;
         else if (c == 'J')
             st.settings.doy_dates = 1;
         else if (c == 'M')
             st.settings.doy_dates = 0;
     },
     nullptr},
};

// Reads the value as the entry asks and checks its range; false (message given,
// error flag set, default restored) when it lies outside.
bool read_value(const SettingEntry& e, ReadAs how, const Range& range, SettingValue& v,
                long line_no) {
    switch (how) {
    case ReadAs::kNothing:
        return true;
    case ReadAs::kInt:
        v.integer = vorlane_read_int(v.text);
        break;
    case ReadAs::kAbsInt:
        v.integer = std::labs(vorlane_read_int(v.text));
        break;
    case ReadAs::kReal:
        v.real = vorlane_read_real(v.text);
        break;
    case ReadAs::kAbsReal:
        v.real = std::fabs(vorlane_read_real(v.text));
        break;
    }
    if (!range.message)
        return true;
    const double value =
        how == ReadAs::kInt || how == ReadAs::kAbsInt ? static_cast<double>(v.integer) : v.real;
    if (value >= range.lo && value <= range.hi)
        return true;
    VorlaneState& st = vorlane_state();
    if (v.from_switch)
        vorlane_message("%s", range.message);
    else
        vorlane_message(range.message, line_no, static_cast<int>(to_int16(v.integer)));
    st.error_flag = true;
    if (e.restore)
        e.restore(st.settings);
    return false;
}

// True when the switch value (after the letter) begins with the entry's form.
bool form_matches(const char* value, const char* form) {
    for (; *form; ++form, ++value)
        if (toupper(static_cast<unsigned char>(*value)) != *form)
            return false;
    return true;
}

void handle_switch(const char* arg) {
    const char letter = static_cast<char>(toupper(static_cast<unsigned char>(arg[1])));
    if (letter == '\0')
        return;
    for (const SettingEntry& e : kSettings) {
        if (e.letter != letter || !form_matches(arg + 2, e.form))
            continue;
        // The station of /ABS is taken from the upper-cased argument.
        const std::string up = upper(arg);
        SettingValue v;
        v.from_switch = true;
        v.text = e.key && strcmp(e.key, "ABS_AMPLITUDE") == 0 ? up.c_str() + 2 + strlen(e.form)
                                                              : arg + 2 + strlen(e.form);
        v.written = v.text;
        if (read_value(e, e.switch_read, e.switch_range, v, 0))
            e.set(vorlane_state(), v);
        return;
    }
}

// The value of an INI line: after the first "=", leading blanks skipped, cut at the next blank.
std::string ini_value(const std::string& line) {
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        return {};
    size_t b = line.find_first_not_of(' ', eq + 1);
    if (b == std::string::npos)
        return {};
    size_t e = line.find(' ', b);
    return line.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

void ini_line(const std::string& written, long line_no) {
    const std::string up = upper(written);
    for (const SettingEntry& e : kSettings) {
        if (!e.key || up.compare(0, strlen(e.key), e.key) != 0)
            continue;
        const std::string text = ini_value(up);
        const std::string as_written = ini_value(written);
        SettingValue v;
        v.text = text.c_str();
        v.written = as_written.c_str();
        if (read_value(e, e.ini_read, e.ini_range, v, line_no))
            e.set(vorlane_state(), v);
        return;
    }
}

} // namespace

long vorlane_read_int(const char* text) {
    const char* p = text;
    bool neg = false;
    if (*p == '+' || *p == '-')
        neg = *p++ == '-';
    // Counted in 64 bits: long has 32 on Windows.
    long long v = 0;
    while (isdigit(static_cast<unsigned char>(*p))) {
        if (v < 100000000000LL)
            v = v * 10 + (*p - '0');
        ++p;
    }
    if (v > LONG_MAX)
        v = LONG_MAX;
    return static_cast<long>(neg ? -v : v);
}

double vorlane_read_real(const char* text) {
    // Copy the longest leading part that has the shape of a decimal number, then convert it;
    // strtod alone would also take "inf", "nan" and hexadecimal forms.
    std::string num;
    const char* p = text;
    if (*p == '+' || *p == '-')
        num += *p++;
    bool digits = false;
    while (isdigit(static_cast<unsigned char>(*p)))
        num += *p++, digits = true;
    if (*p == '.') {
        num += *p++;
        while (isdigit(static_cast<unsigned char>(*p)))
            num += *p++, digits = true;
    }
    if (!digits)
        return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-')
            ++q;
        if (isdigit(static_cast<unsigned char>(*q))) {
            num.append(p, static_cast<std::size_t>(q - p));
            while (isdigit(static_cast<unsigned char>(*q)))
                num += *q++;
        }
    }
    double v = strtod(num.c_str(), nullptr);
    if (!std::isfinite(v))
        v = v < 0 ? -3.0e38 : 3.0e38;
    return v;
}

bool vorlane_is_switch(const char* arg) {
    return platform::is_switch_argument(arg);
}

ArgResult vorlane_argument(const char* arg) {
    VorlaneState& st = vorlane_state();
    if (vorlane_is_switch(arg)) {
        append_capped(st.switch_text, " ", kMaxSwitchText);
        append_capped(st.switch_text, arg, kMaxSwitchText);
        if (arg[1] == '?')
            return ArgResult::kUsage;
        handle_switch(arg);
        return ArgResult::kOk;
    }
    if (st.suds_name.empty()) {
        std::string name(arg, strnlen(arg, kMaxFileName));
        if (name.find('.') == std::string::npos) {
            if (name.size() > kMaxFileName - 4)
                name.resize(kMaxFileName - 4);
            name += ".dmx";
        }
        st.suds_name = name;
    } else if (st.hypo_name.empty()) {
        st.hypo_name.assign(arg, strnlen(arg, kMaxFileName));
    }
    return ArgResult::kOk;
}

void vorlane_finish_switch_text() {
    VorlaneState& st = vorlane_state();
    st.switch_text = upper(st.switch_text);
}

std::string vorlane_ini_path() {
    std::string path;
    const std::string etc = platform::environment("SUDS_ETC");
    if (!etc.empty()) {
        path = platform::join_path(etc, "trelkit.ini");
    } else {
        path = "trelkit.ini";
    }
    if (path.size() > kMaxIniPath)
        path.resize(kMaxIniPath);
    return path;
}

void vorlane_read_ini(const char* path) {
    platform::FileHandle f(platform::open_file(path, "r"));
    if (!f) {
        vorlane_message("WARNING: unable to open INI file: %s\n", path);
        return;
    }
    vorlane_message("Processing INI file: %s\n", path);
    char buf[256];
    long line_no = 0;
    bool in_section = false;
    while (fgets(buf, sizeof buf, f.get())) {
        ++line_no;
        if (upper(buf).compare(0, 9, "[VORLANE]") == 0) {
            in_section = true;
            break;
        }
    }
    if (!in_section)
        return;
    while (fgets(buf, sizeof buf, f.get())) {
        ++line_no;
        buf[strcspn(buf, "\r\n")] = '\0';
        if (buf[0] == '#' || buf[0] == ';' || buf[0] == '\0')
            continue;
        ini_line(buf, line_no);
        if (buf[0] == '[')
            break;
    }
}

void vorlane_usage() {
    static const char* const kUsage[] = {
        "Usage: VORLANE [switches] SUDSfile [hypofile] [switches]\n",
        "Switches:\n",
        "   /Pn - Plot mode; 1=screen only, (2)=screen & hardcopy, 3=hardcopy only.\n",
        "   /H  - Hardcopy to .PLX file only, not printer. (OFF)\n",
        "   /R  - Plot traces against range axis, record section. (OFF, reqs. .PRT file)\n",
        "   /An - Plot phase arrivals with weight <= n. (5, requires .PRT file)\n",
        "   /Bn - Baseline, subtract n sample average from trace. (OFF)\n",
        "   /Jn - Jump, start plotting n seconds into trace. (0)\n",
        "   /Ln - Length, plot n seconds of trace. (ALL)\n",
        "   /Mn - Magnify amplitude up to n times where peak = full scale. (1X)\n",
        "   /MFn- Fixed, magnify amplitude n times. (1X)\n",
        "   /ABSstn - Plot stn with ABS amplitude, up to 12 may be specified\n",
        "   /Tn - Plot n traces per page. (AUTO)\n",
        "   /Wn - Window about first IST to quit plotting based on time axis. (120.0)\n",
        "   /X0 - Windowing decimation, min & max preserved. (NONE)\n",
        "   /Xn - Simple decimation, plot every nth sample. (OFF)\n",
        "\n",
        "   SUDSfile - SUDS 1.x data file.\n",
        "   hypofile - HYPO71x output file. (same name as SUDSfile w/.PRT ext.) \n",
        "\n",
        "()=default, []=optional, arguments are not case sensitive.",
    };
    for (const char* line : kUsage)
        fputs(line, stdout);
    fflush(stdout);
}

void vorlane_settings_summary(bool listing_read, float range_min, float range_max) {
    const PlotSettings& s = vorlane_state().settings;
    vorlane_log("\n");
    vorlane_message("\nDecimation:   ");
    if (s.decimation == 0)
        vorlane_message("Windowing, min & max preserved\n");
    else if (s.decimation == 1)
        vorlane_message("None\n");
    else
        vorlane_message("Simple decimation, factor = %d.\n", s.decimation);
    vorlane_message("Jump seconds: %.1f\n", s.jump);
    vorlane_message("Plot seconds: ");
    if (s.length == kLengthAll)
        vorlane_message("All\n");
    else
        vorlane_message("%.1f\n", s.length);
    vorlane_message("Scaling:      ");
    if (s.magnification == 1.0f)
        vorlane_message("Absolute amplitude\n");
    else if (s.magnification == kMagPeak)
        vorlane_message("Peak magnified to full scale\n");
    else if (s.magnification > 0)
        vorlane_message("Up to %.1fX magnifacation on amplitude axis\n", s.magnification);
    else
        vorlane_message("Fixed %.1fX magnifacation on amplitude axis\n", -s.magnification);
    vorlane_message("Baseline:     ");
    if (s.baseline == 0)
        vorlane_message("None\n");
    else
        vorlane_message("%ld samples\n", static_cast<long>(s.baseline));
    vorlane_message("Plot mode:    ");
    if (s.plot_mode == 1)
        vorlane_message("Display only\n");
    else if (s.plot_mode == 2)
        vorlane_message("Display and hardcopy\n");
    else
        vorlane_message("Hardcopy only\n");
    vorlane_message("Traces/page:  ");
    if (s.traces_per_page == 0)
        vorlane_message("Best fit\n");
    else
        vorlane_message("%d\n", s.traces_per_page);
    vorlane_message("Plot window:  %.1f seconds about 1st IST.\n", 2.0 * s.half_window);
    if (s.record_section)
        vorlane_message("Plotting record section, range: %.1f - %.1f\n", range_min, range_max);
    if (listing_read)
        vorlane_message("Phase arrivals with weight <= %d will be plotted\n", s.weight_criterion);
    vorlane_message("\n");
    vorlane_log("\n");
}

std::string vorlane_sheet_label(const std::string& suds_name) {
    size_t slash = platform::last_separator(suds_name);
    std::string dir = slash == std::string::npos ? std::string() : suds_name.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? suds_name : suds_name.substr(slash + 1);
    std::string label;
    if (dir.size() + file.size() > 44) {
        size_t n = file.size() < 36 ? 40 - file.size() : 4;
        label = dir.substr(0, n) + ".../" + file;
    } else {
        label = dir + file;
    }
    if (label.size() > kMaxSheetLabel)
        label.resize(kMaxSheetLabel);
    return label;
}
