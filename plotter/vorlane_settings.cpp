#include "vorlane_settings.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

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

void switch_error(const char* msg) {
    vorlane_message("%s", msg);
    vorlane_state().error_flag = true;
}

void handle_switch(const char* arg) {
    VorlaneState& st = vorlane_state();
    PlotSettings& s = st.settings;
    const PlotSettings def;
    const char letter = static_cast<char>(toupper(static_cast<unsigned char>(arg[1])));
    const char* val = arg + 2;
    switch (letter) {
    case 'P': {
        long v = vorlane_read_int(val);
        if (v < 1 || v > 3) {
            switch_error("ERROR: /P switch: value out of range: 1-3\n");
            s.plot_mode = def.plot_mode;
        } else {
            s.plot_mode = static_cast<int16_t>(v);
        }
        break;
    }
    case 'H':
        st.hardcopy_printer = false;
        break;
    case 'R':
        s.record_section = 1;
        break;
    case 'A': {
        std::string up = upper(arg);
        if (up.compare(1, 3, "ABS") == 0) {
            add_abs_station(up.c_str() + 4);
            break;
        }
        long v = vorlane_read_int(val);
        if (v < 0 || v > 5) {
            switch_error("ERROR: /A switch: value out of range: 0-5\n");
            s.weight_criterion = def.weight_criterion;
        } else {
            s.weight_criterion = static_cast<int16_t>(v);
        }
        break;
    }
    case 'B': {
        long v = vorlane_read_int(val);
        if (v < 1) {
            switch_error("ERROR: /B switch: value must be positive\n");
            s.baseline = def.baseline;
        } else {
            s.baseline = v > 2147483647L ? 2147483647 : static_cast<int32_t>(v);
        }
        break;
    }
    case 'J': {
        double v = vorlane_read_real(val);
        if (v < 0) {
            switch_error("ERROR: /J switch: value must be positive\n");
            s.jump = def.jump;
        } else {
            s.jump = static_cast<float>(v);
        }
        break;
    }
    case 'L': {
        double v = vorlane_read_real(val);
        if (v < 0) {
            switch_error("ERROR: /L switch: value must be positive\n");
            s.length = def.length;
        } else {
            s.length = static_cast<float>(v);
        }
        break;
    }
    case 'M':
        if (toupper(static_cast<unsigned char>(val[0])) == 'F')
            s.magnification = -clamp_mag(vorlane_read_real(val + 1));
        else if (val[0] == '\0')
            s.magnification = kMagPeak;
        else
            s.magnification = clamp_mag(vorlane_read_real(val));
        break;
    case 'T': {
        long v = vorlane_read_int(val);
        if (v < 1 || v > 32) {
            switch_error("ERROR: /T switch: value out of range: 1-32\n");
            s.traces_per_page = def.traces_per_page;
        } else {
            s.traces_per_page = static_cast<int16_t>(v);
        }
        break;
    }
    case 'W': {
        double v = vorlane_read_real(val);
        if (v < 0) {
            switch_error("ERROR: /W switch: value must be positive\n");
            s.half_window = def.half_window;
        } else {
            s.half_window = v / 2.0;
        }
        break;
    }
    case 'X':
        s.decimation = to_int16(std::labs(vorlane_read_int(val)));
        break;
    case 'G': {
        long v = vorlane_read_int(val);
        if (v < 50 || v > 3000) {
            switch_error("ERROR: /G switch: value out of range: 50-3000\n");
            s.plot_resolution = def.plot_resolution;
        } else {
            s.plot_resolution = static_cast<int16_t>(v);
        }
        break;
    }
    case 'D': {
        char c = static_cast<char>(toupper(static_cast<unsigned char>(val[0])));
        if (c == '\0')
            s.dump = 1;
        else if (c == 'J')
            s.doy_dates = 1;
        else if (c == 'M')
            s.doy_dates = 0;
        break;
    }
    default:
        break;
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

const char* const kIniKeys[] = {
    "MAX_MAG",         "FIXED_MAG",       "ABS_AMPLITUDE",      "BASELINE",
    "TRACES_PER_PAGE", "ALIGN_WINDOW",    "DECIMATE",           "JUMP",
    "LENGTH",          "WEIGHT_CRITERIA", "RANGE_AXIS",         "AMPLITUDE_UNIT",
    "AMPLIFIER_GAIN",  "COUNTS_PER_VOLT", "VOLTS_PER_GMU",      "ANNOT_AMP_TEXT",
    "ANNOT_EVENTLINE", "ANNOT_P_REMARK",  "ANNOT_SAMPLERATE",   "ANNOT_AMP_MAG",
    "ANNOT_SIDELINE",  "ANNOT_CL_ARGS",   "ANNOT_AMP_BRACKETS", "PAUSE",
};

void ini_line(const std::string& written, long line_no) {
    VorlaneState& st = vorlane_state();
    PlotSettings& s = st.settings;
    const PlotSettings def;
    const std::string up = upper(written);
    int key = -1;
    for (size_t k = 0; k < sizeof kIniKeys / sizeof kIniKeys[0]; ++k) {
        if (up.compare(0, strlen(kIniKeys[k]), kIniKeys[k]) == 0) {
            key = static_cast<int>(k);
            break;
        }
    }
    if (key < 0)
        return;
    const std::string v = ini_value(up);
    const char* vc = v.c_str();
    switch (key) {
    case 0:
        s.magnification = clamp_mag(vorlane_read_real(vc));
        break;
    case 1:
        s.magnification = -clamp_mag(vorlane_read_real(vc));
        break;
    case 2:
        add_abs_station(vc);
        break;
    case 3: {
        long b = std::labs(vorlane_read_int(vc));
        s.baseline = b > 2147483647L ? 2147483647 : static_cast<int32_t>(b);
        break;
    }
    case 4: {
        long n = vorlane_read_int(vc);
        if (n < 1 || n > 24) {
            vorlane_message("\nERROR in INI @ line %ld: traces per page out of range: %d\n\n",
                            line_no, static_cast<int>(to_int16(n)));
            st.error_flag = true;
            s.traces_per_page = def.traces_per_page;
        } else {
            s.traces_per_page = static_cast<int16_t>(n);
        }
        break;
    }
    case 5:
        s.half_window = std::fabs(vorlane_read_real(vc));
        break;
    case 6:
        s.decimation = to_int16(std::labs(vorlane_read_int(vc)));
        break;
    case 7:
        s.jump = static_cast<float>(std::fabs(vorlane_read_real(vc)));
        break;
    case 8:
        s.length = static_cast<float>(std::fabs(vorlane_read_real(vc)));
        break;
    case 9: {
        long n = vorlane_read_int(vc);
        if (n < 1 || n > 5) {
            vorlane_message("\nERROR in INI @ line %ld: weight criteria out of range: %d\n\n",
                            line_no, static_cast<int>(to_int16(n)));
            st.error_flag = true;
            s.weight_criterion = def.weight_criterion;
        } else {
            s.weight_criterion = static_cast<int16_t>(n);
        }
        break;
    }
    case 10:
        if (v[0] == 'Y')
            s.record_section = 1;
        break;
    case 11:
        s.amp_unit = v[0] == 'G' ? 2 : v[0] == 'V' ? 1 : 0;
        break;
    case 12:
        s.amp_gain = std::fabs(vorlane_read_real(vc));
        break;
    case 13:
        s.counts_per_volt = std::fabs(vorlane_read_real(vc));
        break;
    case 14:
        s.volts_per_gmu = std::fabs(vorlane_read_real(vc));
        break;
    case 15: {
        const std::string text = ini_value(written);
        memset(s.amp_unit_text, 0, sizeof s.amp_unit_text);
        strncpy(s.amp_unit_text, text.c_str(), 12);
        break;
    }
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
    case 22:
        if (v[0] == 'N')
            s.annot ^= static_cast<uint16_t>(1u << (key - 16));
        break;
    case 23:
        s.pause = static_cast<float>(vorlane_read_real(vc));
        break;
    default:
        break;
    }
}

} // namespace

long vorlane_read_int(const char* text) {
    const char* p = text;
    bool neg = false;
    if (*p == '+' || *p == '-')
        neg = *p++ == '-';
    long v = 0;
    while (isdigit(static_cast<unsigned char>(*p))) {
        if (v < 100000000000L)
            v = v * 10 + (*p - '0');
        ++p;
    }
    return neg ? -v : v;
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
    if (arg[0] == '-')
        return true;
    return arg[0] == '/' && strchr(arg + 1, '/') == nullptr;
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
    const char* etc = getenv("SUDS_ETC");
    if (etc && *etc) {
        path = etc;
        if (path.back() != '/')
            path += '/';
        path += "trelkit.ini";
    } else {
        path = "trelkit.ini";
    }
    if (path.size() > kMaxIniPath)
        path.resize(kMaxIniPath);
    return path;
}

void vorlane_read_ini(const char* path) {
    std::unique_ptr<FILE, VlFileCloser> f(fopen(path, "r"));
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

void vorlane_settings_summary() {
    const VorlaneState& st = vorlane_state();
    const PlotSettings& s = st.settings;
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
        vorlane_message("Plotting record section, range: %.1f - %.1f\n", s.range_min, s.range_max);
    if (st.hypo.kind != 0)
        vorlane_message("Phase arrivals with weight <= %d will be plotted\n", s.weight_criterion);
    vorlane_message("\n");
    vorlane_log("\n");
}

std::string vorlane_sheet_label(const std::string& suds_name) {
    size_t slash = suds_name.rfind('/');
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
