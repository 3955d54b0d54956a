// Typed encode/decode of the structures the programs use, at the offsets of
// the structure description table.
#include "suds/suds_fields.h"

#include <cstring>
#include <utility>

#include "suds/suds_bytes.h"

namespace {

std::string get_string(const uint8_t* p, size_t count) {
    size_t n = 0;
    while (n < count && p[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

// Zero-filled field of count bytes; the NUL is dropped when the text fills it.
void put_string(uint8_t* p, size_t count, const std::string& s) {
    std::memset(p, 0, count);
    std::memcpy(p, s.data(), s.size() < count ? s.size() : count);
}

char get_char(const uint8_t* p) {
    return static_cast<char>(*p);
}
void put_char(uint8_t* p, char c) {
    *p = static_cast<uint8_t>(c);
}
int8_t get_i8(const uint8_t* p) {
    return static_cast<int8_t>(*p);
}
void put_i8(uint8_t* p, int8_t v) {
    *p = static_cast<uint8_t>(v);
}

template <typename T> T defaults_of(int id, void (*get)(const uint8_t*, T*)) {
    uint8_t body[SUDS_BODY_SIZE];
    suds_init_body(id, body, sizeof body);
    T out;
    get(body, &out);
    return out;
}

template <typename T>
void record_put(const T& in, int id, int32_t data_length, SudsRecord* rec,
                void (*put)(const T&, uint8_t*)) {
    rec->type = static_cast<int16_t>(id);
    rec->data_length = data_length;
    std::memset(rec->body, 0, sizeof rec->body);
    put(in, rec->body);
}

} // namespace

// StationIdentifier: 0 network[4], 4 station name[5], 9 component, 10 instrument type.
void suds_get_station_identifier(const uint8_t* p, SudsStationIdentifier* out) {
    out->network = get_string(p + 0, 4);
    out->station_name = get_string(p + 4, 5);
    out->component = get_char(p + 9);
    out->instrument_type = suds_get_i16(p + 10);
}

void suds_put_station_identifier(const SudsStationIdentifier& in, uint8_t* p) {
    put_string(p + 0, 4, in.network);
    put_string(p + 4, 5, in.station_name);
    put_char(p + 9, in.component);
    suds_put_i16(p + 10, in.instrument_type);
}

// LongStationIdentifier: 0 long network[8], 8 long station[16], 24 long component[8].
void suds_get_long_station_identifier(const uint8_t* p, SudsLongStationIdentifier* out) {
    out->long_network = get_string(p + 0, 8);
    out->long_station = get_string(p + 8, 16);
    out->long_component = get_string(p + 24, 8);
}

void suds_put_long_station_identifier(const SudsLongStationIdentifier& in, uint8_t* p) {
    put_string(p + 0, 8, in.long_network);
    put_string(p + 8, 16, in.long_station);
    put_string(p + 24, 8, in.long_component);
}

void suds_get_station_comp(const uint8_t* p, SudsStationComp* out) {
    suds_get_station_identifier(p + 0, &out->station);
    out->azimuth = suds_get_i16(p + 12);
    out->incidence = suds_get_i16(p + 14);
    out->latitude = suds_get_f64(p + 16);
    out->longitude = suds_get_f64(p + 24);
    out->elevation = suds_get_f32(p + 32);
    out->enclosure = get_char(p + 36);
    out->annotated_comment = get_i8(p + 37);
    out->recorder_type = get_char(p + 38);
    out->rock_class = get_char(p + 39);
    out->rock_type = suds_get_i16(p + 40);
    out->site_condition = get_char(p + 42);
    out->sensor_type = get_char(p + 43);
    out->data_type = get_char(p + 44);
    out->data_units = get_char(p + 45);
    out->polarity = get_char(p + 46);
    out->status = get_i8(p + 47);
    out->maximum_gain = suds_get_f32(p + 48);
    out->clipping_value = suds_get_f32(p + 52);
    out->conversion_to_mvolts = suds_get_f32(p + 56);
    out->channel = suds_get_i16(p + 60);
    out->atod_gain = suds_get_i16(p + 62);
    out->effective_date = suds_get_i32(p + 64);
    out->clock_correction = suds_get_f32(p + 68);
    out->station_delay = suds_get_f32(p + 72);
    suds_get_long_station_identifier(p + 76, &out->long_station);
}

void suds_put_station_comp(const SudsStationComp& in, uint8_t* p) {
    suds_put_station_identifier(in.station, p + 0);
    suds_put_i16(p + 12, in.azimuth);
    suds_put_i16(p + 14, in.incidence);
    suds_put_f64(p + 16, in.latitude);
    suds_put_f64(p + 24, in.longitude);
    suds_put_f32(p + 32, in.elevation);
    put_char(p + 36, in.enclosure);
    put_i8(p + 37, in.annotated_comment);
    put_char(p + 38, in.recorder_type);
    put_char(p + 39, in.rock_class);
    suds_put_i16(p + 40, in.rock_type);
    put_char(p + 42, in.site_condition);
    put_char(p + 43, in.sensor_type);
    put_char(p + 44, in.data_type);
    put_char(p + 45, in.data_units);
    put_char(p + 46, in.polarity);
    put_i8(p + 47, in.status);
    suds_put_f32(p + 48, in.maximum_gain);
    suds_put_f32(p + 52, in.clipping_value);
    suds_put_f32(p + 56, in.conversion_to_mvolts);
    suds_put_i16(p + 60, in.channel);
    suds_put_i16(p + 62, in.atod_gain);
    suds_put_i32(p + 64, in.effective_date);
    suds_put_f32(p + 68, in.clock_correction);
    suds_put_f32(p + 72, in.station_delay);
    suds_put_long_station_identifier(in.long_station, p + 76);
}

void suds_get_mux_data(const uint8_t* p, SudsMuxData* out) {
    out->network = get_string(p + 0, 4);
    out->beginning_time = suds_get_f64(p + 4);
    out->minutes_west_of_gmt = suds_get_i16(p + 12);
    out->number_of_channels = suds_get_i16(p + 14);
    out->samples_per_second = suds_get_f32(p + 16);
    out->type_of_data = get_char(p + 20);
    out->data_descriptor = get_char(p + 21);
    out->spare_g = suds_get_i16(p + 22);
    out->number_of_samples = suds_get_i32(p + 24);
    out->demultiplexed_samples = suds_get_i32(p + 28);
}

void suds_put_mux_data(const SudsMuxData& in, uint8_t* p) {
    put_string(p + 0, 4, in.network);
    suds_put_f64(p + 4, in.beginning_time);
    suds_put_i16(p + 12, in.minutes_west_of_gmt);
    suds_put_i16(p + 14, in.number_of_channels);
    suds_put_f32(p + 16, in.samples_per_second);
    put_char(p + 20, in.type_of_data);
    put_char(p + 21, in.data_descriptor);
    suds_put_i16(p + 22, in.spare_g);
    suds_put_i32(p + 24, in.number_of_samples);
    suds_put_i32(p + 28, in.demultiplexed_samples);
}

void suds_get_descrip_trace(const uint8_t* p, SudsDescripTrace* out) {
    suds_get_station_identifier(p + 0, &out->station);
    out->initial_sample_time = suds_get_f64(p + 12);
    out->local_time_diff = suds_get_i16(p + 20);
    out->data_type = get_char(p + 22);
    out->data_descriptor = get_char(p + 23);
    out->digitized_by = suds_get_i16(p + 24);
    out->processed_by = suds_get_i16(p + 26);
    out->number_of_samples = suds_get_i32(p + 28);
    out->samples_per_second = suds_get_f32(p + 32);
    out->minimum_data_value = suds_get_f32(p + 36);
    out->maximum_data_value = suds_get_f32(p + 40);
    out->average_noise = suds_get_f32(p + 44);
    out->num_clipped_samples = suds_get_i32(p + 48);
    out->time_correction = suds_get_f64(p + 52);
    out->rate_correction = suds_get_f32(p + 60);
    suds_get_long_station_identifier(p + 64, &out->long_station);
}

void suds_put_descrip_trace(const SudsDescripTrace& in, uint8_t* p) {
    suds_put_station_identifier(in.station, p + 0);
    suds_put_f64(p + 12, in.initial_sample_time);
    suds_put_i16(p + 20, in.local_time_diff);
    put_char(p + 22, in.data_type);
    put_char(p + 23, in.data_descriptor);
    suds_put_i16(p + 24, in.digitized_by);
    suds_put_i16(p + 26, in.processed_by);
    suds_put_i32(p + 28, in.number_of_samples);
    suds_put_f32(p + 32, in.samples_per_second);
    suds_put_f32(p + 36, in.minimum_data_value);
    suds_put_f32(p + 40, in.maximum_data_value);
    suds_put_f32(p + 44, in.average_noise);
    suds_put_i32(p + 48, in.num_clipped_samples);
    suds_put_f64(p + 52, in.time_correction);
    suds_put_f32(p + 60, in.rate_correction);
    suds_put_long_station_identifier(in.long_station, p + 64);
}

void suds_get_instrument(const uint8_t* p, SudsInstrument* out) {
    suds_get_station_identifier(p + 0, &out->station);
    out->inst_serial_number = suds_get_i16(p + 12);
    out->number_of_components = suds_get_i16(p + 14);
    out->channel_number = suds_get_i16(p + 16);
    out->sensor_type = get_char(p + 18);
    out->data_type = get_char(p + 19);
    out->void_sample_value = suds_get_i32(p + 20);
    out->digitizing_constant = suds_get_f32(p + 24);
    out->aaf_corner_freq = suds_get_f32(p + 28);
    out->aaf_poles = suds_get_f32(p + 32);
    out->trans_natural_freq = suds_get_f32(p + 36);
    out->trans_damping_coeff = suds_get_f32(p + 40);
    out->trans_motion_constant = suds_get_f32(p + 44);
    out->amplifier_gain_db = suds_get_f32(p + 48);
    out->local_x = suds_get_f32(p + 52);
    out->local_y = suds_get_f32(p + 56);
    out->local_z = suds_get_f32(p + 60);
    out->effective_time = suds_get_i32(p + 64);
    out->pre_event_memory = suds_get_f32(p + 68);
    out->trigger_number = suds_get_i16(p + 72);
    out->study_id = get_string(p + 74, 6);
    out->sensor_serial_number = suds_get_i16(p + 80);
    suds_get_long_station_identifier(p + 82, &out->long_station);
}

void suds_put_instrument(const SudsInstrument& in, uint8_t* p) {
    suds_put_station_identifier(in.station, p + 0);
    suds_put_i16(p + 12, in.inst_serial_number);
    suds_put_i16(p + 14, in.number_of_components);
    suds_put_i16(p + 16, in.channel_number);
    put_char(p + 18, in.sensor_type);
    put_char(p + 19, in.data_type);
    suds_put_i32(p + 20, in.void_sample_value);
    suds_put_f32(p + 24, in.digitizing_constant);
    suds_put_f32(p + 28, in.aaf_corner_freq);
    suds_put_f32(p + 32, in.aaf_poles);
    suds_put_f32(p + 36, in.trans_natural_freq);
    suds_put_f32(p + 40, in.trans_damping_coeff);
    suds_put_f32(p + 44, in.trans_motion_constant);
    suds_put_f32(p + 48, in.amplifier_gain_db);
    suds_put_f32(p + 52, in.local_x);
    suds_put_f32(p + 56, in.local_y);
    suds_put_f32(p + 60, in.local_z);
    suds_put_i32(p + 64, in.effective_time);
    suds_put_f32(p + 68, in.pre_event_memory);
    suds_put_i16(p + 72, in.trigger_number);
    put_string(p + 74, 6, in.study_id);
    suds_put_i16(p + 80, in.sensor_serial_number);
    suds_put_long_station_identifier(in.long_station, p + 82);
}

SudsStationIdentifier suds_default_station_identifier() {
    return defaults_of<SudsStationIdentifier>(SUDS_STATION_IDENTIFIER, suds_get_station_identifier);
}
SudsLongStationIdentifier suds_default_long_station_identifier() {
    return defaults_of<SudsLongStationIdentifier>(SUDS_LONG_STATION_IDENTIFIER,
                                                  suds_get_long_station_identifier);
}
SudsStationComp suds_default_station_comp() {
    return defaults_of<SudsStationComp>(SUDS_STATION_COMP, suds_get_station_comp);
}
SudsMuxData suds_default_mux_data() {
    return defaults_of<SudsMuxData>(SUDS_MUX_DATA, suds_get_mux_data);
}
SudsDescripTrace suds_default_descrip_trace() {
    return defaults_of<SudsDescripTrace>(SUDS_DESCRIP_TRACE, suds_get_descrip_trace);
}
SudsInstrument suds_default_instrument() {
    return defaults_of<SudsInstrument>(SUDS_INSTRUMENT, suds_get_instrument);
}

int suds_record_get(const SudsRecord& rec, SudsStationComp* out) {
    if (rec.type != SUDS_STATION_COMP)
        return 0;
    suds_get_station_comp(rec.body, out);
    return 1;
}
int suds_record_get(const SudsRecord& rec, SudsMuxData* out) {
    if (rec.type != SUDS_MUX_DATA)
        return 0;
    suds_get_mux_data(rec.body, out);
    return 1;
}
int suds_record_get(const SudsRecord& rec, SudsDescripTrace* out) {
    if (rec.type != SUDS_DESCRIP_TRACE)
        return 0;
    suds_get_descrip_trace(rec.body, out);
    return 1;
}
int suds_record_get(const SudsRecord& rec, SudsInstrument* out) {
    if (rec.type != SUDS_INSTRUMENT)
        return 0;
    suds_get_instrument(rec.body, out);
    return 1;
}

void suds_record_put(const SudsStationComp& in, int32_t data_length, SudsRecord* rec) {
    record_put(in, SUDS_STATION_COMP, data_length, rec, suds_put_station_comp);
}
void suds_record_put(const SudsMuxData& in, int32_t data_length, SudsRecord* rec) {
    record_put(in, SUDS_MUX_DATA, data_length, rec, suds_put_mux_data);
}
void suds_record_put(const SudsDescripTrace& in, int32_t data_length, SudsRecord* rec) {
    record_put(in, SUDS_DESCRIP_TRACE, data_length, rec, suds_put_descrip_trace);
}
void suds_record_put(const SudsInstrument& in, int32_t data_length, SudsRecord* rec) {
    record_put(in, SUDS_INSTRUMENT, data_length, rec, suds_put_instrument);
}

std::string suds_long_station_text(const SudsLongStationIdentifier& id) {
    std::string text;
    const std::pair<const std::string*, size_t> parts[3] = {
        {&id.long_network, 8}, {&id.long_station, 16}, {&id.long_component, 8}};
    for (const auto& [part, size] : parts) {
        // A part is what its field holds: at most its size, up to a NUL.
        std::string s = part->substr(0, size);
        s.resize(std::strlen(s.c_str()));
        if (s.empty())
            continue;
        if (!text.empty())
            text += ':';
        text += s;
    }
    return text;
}

void suds_parse_long_station_text(const char* text, SudsLongStationIdentifier* id) {
    *id = SudsLongStationIdentifier{};
    std::string rest = text ? text : "";
    auto cut = [](const std::string& s, size_t n) { return s.substr(0, n); };
    size_t colon = rest.rfind(':');
    if (colon == std::string::npos) {
        id->long_component = cut(rest, 8);
        return;
    }
    id->long_component = cut(rest.substr(colon + 1), 8);
    rest.erase(colon);
    colon = rest.rfind(':');
    if (colon == std::string::npos) {
        id->long_station = cut(rest, 16);
        return;
    }
    id->long_station = cut(rest.substr(colon + 1), 16);
    id->long_network = cut(rest.substr(0, colon), 8);
}
