#include "trace_db.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <new>

#include <platform/file_handle.h>
#include <platform/paths.h>
#include <suds/suds.h>

#include "hypo_listing.h"
#include "vorlane_log.h"
#include "vorlane_state.h"

namespace {

// Offsets of the fields the plotter reads, taken from the structure description table.
int field_offset(int id, const char* name) {
    const SudsFieldDescription* f = suds_find_field(id, name);
    return f ? f->offset : 0;
}

struct Offsets {
    int sc_key = field_offset(SUDS_STATION_COMP, "station/component");
    int sc_mvolts = field_offset(SUDS_STATION_COMP, "conversion to mvolts");
    int sc_atod_gain = field_offset(SUDS_STATION_COMP, "atod gain");
    int dt_key = field_offset(SUDS_DESCRIP_TRACE, "station/component");
    int dt_ist = field_offset(SUDS_DESCRIP_TRACE, "initial sample time");
    int dt_type = field_offset(SUDS_DESCRIP_TRACE, "data type");
    int dt_samples = field_offset(SUDS_DESCRIP_TRACE, "number of samples");
    int dt_rate = field_offset(SUDS_DESCRIP_TRACE, "samples per second");
    int dt_time_corr = field_offset(SUDS_DESCRIP_TRACE, "time correction");
    int dt_rate_corr = field_offset(SUDS_DESCRIP_TRACE, "rate correction");
    int dt_long = field_offset(SUDS_DESCRIP_TRACE, "long station/component");
    int in_key = field_offset(SUDS_INSTRUMENT, "station/component");
    int in_digcon = field_offset(SUDS_INSTRUMENT, "digitizing constant");
    int in_gain_db = field_offset(SUDS_INSTRUMENT, "amplifier gain (dB)");
};

const Offsets& offsets() {
    static const Offsets o;
    return o;
}

bool is_set(double v) {
    return v != kNotSet;
}

// Station name (5 characters) and component letter of an embedded StationIdentifier.
void copy_station(TraceRecord& r, const uint8_t* ident) {
    memcpy(r.station, ident + 4, 5);
    r.component = static_cast<char>(ident[9]);
}

std::string lower_tail(const std::string& name) {
    std::string t = name.size() >= 3 ? name.substr(name.size() - 3) : name;
    for (char& c : t)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return t;
}

// Read the hypocentre listing that belongs to the database; false when the build must fail.
bool read_listing(TraceDatabase& db, const std::string& given, bool record_section,
                  bool* listing_read, bool* sort_needed) {
    bool name_given = true;
    std::string name = given;
    if (name.empty()) {
        name = platform::replace_extension(db.suds_name, ".prt");
        name_given = false;
    }
    struct Kind {
        const char* ext;
        int (*reader)(FILE*, std::vector<TraceRecord>&, HypoSummary&);
        bool sorts;
    };
    static const Kind kinds[] = {
        {"prt", hypo_read_prt, true}, {"evl", hypo_read_evl, true}, {"evt", hypo_read_evt, false}};
    for (size_t k = 0; k < 3; ++k) {
        const Kind& kind = kinds[k];
        if (lower_tail(name) != kind.ext)
            continue;
        platform::FileHandle f(platform::open_file(name, "r"));
        if (f) {
            vorlane_print("Extracting hypocenter data -> %s", name.c_str());
            kind.reader(f.get(), db.records, db.hypo);
            vorlane_print("\rHypocenter data file: %s        \n", name.c_str());
            vorlane_log("Hypocenter data file: %s\n", name.c_str());
            *listing_read = true;
            *sort_needed = kind.sorts;
            db.hypo_name = name;
            return true;
        }
        if (!name_given && k < 2) {
            name = platform::replace_extension(name, std::string(".") + kinds[k + 1].ext);
            continue;
        }
        vorlane_message("No hypocenter data found.\n");
        return !record_section;
    }
    return true;
}

void memory_error(const char* msg) {
    vorlane_message("%s", msg);
}

} // namespace

TraceRecord trace_new_record(const unsigned char key[12]) {
    TraceRecord r;
    memcpy(r.key, key, 12);
    return r;
}

int trace_add_record(std::vector<TraceRecord>& db, const unsigned char key[12]) {
    for (size_t i = db.size(); i-- > 0;)
        if (memcmp(db[i].key, key, 12) == 0)
            return static_cast<int>(i);
    if (db.size() >= 32767) {
        memory_error("\nERROR: Unable to allocate memory in add_rec( )!\n");
        return -1;
    }
    // Growth by one record at a time, with the failure seen rather than thrown.
    try {
        db.push_back(trace_new_record(key));
    } catch (const std::bad_alloc&) {
        memory_error("\nERROR: Unable to allocate memory in add_rec( )!\n");
        return -1;
    }
    return static_cast<int>(db.size() - 1);
}

int trace_pack(std::vector<TraceRecord>& db, bool listing_read, int weight_criterion) {
    size_t kept = 0;
    for (size_t i = 0; i < db.size(); ++i) {
        const TraceRecord& r = db[i];
        if (r.offset == -1)
            continue;
        if (listing_read && r.p_weight > weight_criterion)
            continue;
        if (kept != i)
            db[kept] = r;
        ++kept;
    }
    db.resize(kept);
    return static_cast<int>(kept);
}

std::string trace_long_id_text(const TraceRecord& r) {
    const std::string net(r.long_id, strnlen(r.long_id, 8));
    const std::string stn(r.long_id + 8, strnlen(r.long_id + 8, 16));
    const std::string comp(r.long_id + 24, strnlen(r.long_id + 24, 8));
    std::string text = net;
    for (const std::string* part : {&stn, &comp}) {
        if (part->empty())
            continue;
        if (!text.empty())
            text += ':';
        text += *part;
    }
    return text;
}

bool trace_data_type(char type, int32_t* sample_max, int32_t* sample_bias) {
    switch (type) {
    case '2':
        *sample_max = 8388607;
        *sample_bias = 0;
        return true;
    case 'f':
        *sample_max = 0;
        *sample_bias = 0;
        return true;
    case 'i':
        *sample_max = 32767;
        *sample_bias = 0;
        return true;
    case 'l':
        *sample_max = 2147483647;
        *sample_bias = 0;
        return true;
    case 'q':
        *sample_max = 2047;
        *sample_bias = 0;
        return true;
    case 's':
        *sample_max = 2047;
        *sample_bias = 2048;
        return true;
    default:
        return false;
    }
}

namespace {

// Fills the database; false on any failure (message given).
bool build(TraceDatabase& db, const std::string& hypo_name, const PlotSettings& settings) {
    const Offsets& o = offsets();
    const char* suds_name = db.suds_name.c_str();
    db.file = SudsFileHandle(suds_open(suds_name, 1));
    const int fd = db.file.get();
    if (fd == 0) {
        fprintf(stderr, "\n%s\n", suds_error_text());
        return false;
    }
    vorlane_print("Building database ->  %s", suds_name);
    SudsRecord rec;
    for (;;) {
        const int rc = suds_read_struct(fd, &rec);
        if (rc == -1)
            break;
        if (rc == 0) {
            fprintf(stderr, "\n\n%s\n", suds_error_text());
            return false;
        }
        const uint8_t* b = rec.body;
        int i;
        switch (rec.type) {
        case SUDS_STATION_COMP: {
            if ((i = trace_add_record(db.records, b + o.sc_key)) < 0)
                return false;
            TraceRecord& r = db.records[i];
            copy_station(r, b + o.sc_key);
            const float mv = suds_get_f32(b + o.sc_mvolts);
            if (mv != 0.0f && mv != -32767.0f && !is_set(r.dig_con))
                r.dig_con = 1000.0 / mv;
            const int16_t gain = suds_get_i16(b + o.sc_atod_gain);
            if (gain != -32767 && !is_set(r.gain))
                r.gain = gain;
            break;
        }
        case SUDS_MUX_DATA:
            vorlane_message("\nERROR: %s contains multiplexed data!\n", suds_name);
            return false;
        case SUDS_DESCRIP_TRACE: {
            if ((i = trace_add_record(db.records, b + o.dt_key)) < 0)
                return false;
            TraceRecord& r = db.records[i];
            copy_station(r, b + o.dt_key);
            memcpy(r.long_id, b + o.dt_long, 32);
            r.offset = suds_struct_position(fd);
            r.ist = suds_get_f64(b + o.dt_ist) + suds_get_f64(b + o.dt_time_corr);
            r.rate = suds_get_f32(b + o.dt_rate) + suds_get_f32(b + o.dt_rate_corr);
            // A time or rate that is not a number would poison every later computation.
            if (!std::isfinite(r.ist))
                r.ist = 0.0;
            if (!std::isfinite(r.rate))
                r.rate = 0.0f;
            r.length = suds_get_i32(b + o.dt_samples);
            r.data_type = static_cast<char>(b[o.dt_type]);
            if (!trace_data_type(r.data_type, &r.sample_max, &r.sample_bias)) {
                vorlane_message("\nERROR: unsupported data type: %c in %s\n", r.data_type,
                                suds_name);
                return false;
            }
            break;
        }
        case SUDS_INSTRUMENT: {
            if ((i = trace_add_record(db.records, b + o.in_key)) < 0)
                return false;
            TraceRecord& r = db.records[i];
            copy_station(r, b + o.in_key);
            const float dc = suds_get_f32(b + o.in_digcon);
            if (dc != -32767.0f && !is_set(r.dig_con))
                r.dig_con = dc;
            const float db = suds_get_f32(b + o.in_gain_db);
            if (db != -32767.0f && !is_set(r.gain))
                r.gain = std::pow(10.0, db / 20.0);
            break;
        }
        default:
            break;
        }
    }
    vorlane_print("\rInput SUDS data file: %s\n", suds_name);
    vorlane_log("Input SUDS data file: %s\n", suds_name);

    bool listing_read = false, sort_needed = false;
    if (!read_listing(db, hypo_name, settings.record_section, &listing_read, &sort_needed))
        return false;
    if (!listing_read)
        db.hypo = HypoSummary{};

    if (trace_pack(db.records, listing_read, settings.weight_criterion) == 0)
        return false;
    if (sort_needed)
        std::stable_sort(
            db.records.begin(), db.records.end(),
            [](const TraceRecord& a, const TraceRecord& b) { return a.delta < b.delta; });
    db.range_min = settings.range_min != 0.0f ? settings.range_min : db.records.front().delta;
    db.range_max = settings.range_max != 0.0f ? settings.range_max : db.records.back().delta;
    return true;
}

} // namespace

SudsFileHandle& SudsFileHandle::operator=(SudsFileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_)
            suds_close(fd_);
        fd_ = other.fd_;
        other.fd_ = 0;
    }
    return *this;
}

SudsFileHandle::~SudsFileHandle() {
    if (fd_)
        suds_close(fd_);
}

TraceDatabase trace_build_database(const std::string& suds_name, const std::string& hypo_name,
                                   const PlotSettings& settings) {
    TraceDatabase db;
    db.suds_name = suds_name;
    if (!build(db, hypo_name, settings))
        db.records.clear();
    return db;
}

void trace_dump(const TraceDatabase& db) {
    vorlane_log("\n*** Database dump ***\n");
    for (size_t i = 0; i < db.records.size(); ++i) {
        const TraceRecord& r = db.records[i];
        vorlane_log("Record #%d\n", static_cast<int>(i));
        vorlane_log("   Station:        %.5s\n", r.station);
        vorlane_log("   Component:      %c\n", r.component);
        vorlane_log("   Long identifier: %s\n", trace_long_id_text(r).c_str());
        vorlane_log("   IST:            %s\n", suds_time_text(r.ist, 4));
        vorlane_log("   Rate:           %f\n", r.rate);
        vorlane_log("   Length:         %ld\n", static_cast<long>(r.length));
        vorlane_log("   Offset:         %ld\n", static_cast<long>(r.offset));
        vorlane_log("   Peak:           %ld\n", static_cast<long>(r.peak));
        vorlane_log("   Sample Max:     %ld\n", static_cast<long>(r.sample_max));
        vorlane_log("   Sample Bias:    %ld\n", static_cast<long>(r.sample_bias));
        vorlane_log("   Data type:      %c\n", r.data_type);
        vorlane_log("   Gain:           %lf\n", r.gain);
        vorlane_log("   Dig Con:        %lf\n", r.dig_con);
        vorlane_log("   Delta:          %.1f\n", r.delta);
        vorlane_log("   FMP:            %d\n", static_cast<int>(r.fmp));
        vorlane_log("   P observed:     %s\n", suds_time_text(r.p_observed, 4));
        vorlane_log("   P calculated:   %s\n", suds_time_text(r.p_calculated, 4));
        vorlane_log("   P weight:       %d\n", static_cast<int>(r.p_weight));
        vorlane_log("   P 1st motion:   %c\n", r.p_first_motion);
        vorlane_log("   S observed:     %s\n", suds_time_text(r.s_observed, 4));
        vorlane_log("   S calculated:   %s\n", suds_time_text(r.s_calculated, 4));
        vorlane_log("   S weight:       %d\n", static_cast<int>(r.s_weight));
        vorlane_log("   S 1st motion:   %c\n", r.s_first_motion);
        vorlane_log("   P Onset:        %c\n", r.p_onset);
        vorlane_log("   S Onset:        %c\n", r.s_onset);
        vorlane_log("   Include:        %d\n", r.include);
        vorlane_log("   Reverse:        %s\n", r.reverse ? "Yes" : "No");
        vorlane_log("\n");
    }
}
