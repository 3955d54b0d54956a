// Typed access to the structures the programs use: StationIdentifier,
// LongStationIdentifier, StationComp, MuxData, DescripTrace, Instrument.
//
// Each plain struct below holds every field of its structure, named after
// the field's description text. suds_get_* decodes it from a structure body
// (explicit little-endian reads at the table's offsets), suds_put_* encodes
// it into a body of at least the structure's size, writing every byte of the
// structure. The usual way to write one:
//
//   SudsRecord rec;  rec.type = SUDS_STATION_COMP;  suds_init_struct(&rec);
//   SudsStationComp sc;  suds_get_station_comp(rec.body, &sc);   // defaults
//   sc.station.station_name = "ABC";  ...  suds_put_station_comp(sc, rec.body);
//
// or simply: SudsStationComp sc;  (members start at the table defaults)
//
// String fields of count n hold up to n characters: a longer std::string is
// cut to n bytes when put; a string of exactly n is stored without its NUL.
#pragma once

#include <cstdint>
#include <string>

#include "suds_struct.h"
#include "suds_time.h"

// StationIdentifier, 12 bytes.
//   0 string[4] network ("unk")   4 string[5] station name   9 char component ('_')
//  10 int16 instrument type (0)
struct SudsStationIdentifier {
    std::string network = "unk"; // "network"
    std::string station_name;    // "station name"
    char component = '_';        // "component"
    int16_t instrument_type = 0; // "instrument type"
};

// LongStationIdentifier, 32 bytes.
//   0 string[8] long network   8 string[16] long station   24 string[8] long component
struct SudsLongStationIdentifier {
    std::string long_network;   // "long network"
    std::string long_station;   // "long station"
    std::string long_component; // "long component"
};

// StationComp, 108 bytes (offsets in the comments).
struct SudsStationComp {
    SudsStationIdentifier station;           //  0 "station/component"
    int16_t azimuth = -32767;                // 12 "component azimuth"
    int16_t incidence = -32767;              // 14 "component incidence"
    double latitude = -32767.0;              // 16 "latitude"
    double longitude = -32767.0;             // 24 "longitude"
    float elevation = -32767.0f;             // 32 "elevation, meters"
    char enclosure = '_';                    // 36 "enclosure"
    int8_t annotated_comment = 0;            // 37 "annotated comment"
    char recorder_type = '_';                // 38 "recorder type"
    char rock_class = '_';                   // 39 "rock class"
    int16_t rock_type = 0;                   // 40 "rock type"
    char site_condition = '_';               // 42 "site condition"
    char sensor_type = '_';                  // 43 "sensor type"
    char data_type = '_';                    // 44 "data type"
    char data_units = '_';                   // 45 "data units"
    char polarity = '_';                     // 46 "polarity"
    int8_t status = 0;                       // 47 "status"
    float maximum_gain = -32767.0f;          // 48 "maximum gain"
    float clipping_value = -32767.0f;        // 52 "clipping value"
    float conversion_to_mvolts = -32767.0f;  // 56 "conversion to mvolts"
    int16_t channel = -32767;                // 60 "channel"
    int16_t atod_gain = -32767;              // 62 "atod gain"
    int32_t effective_date = SUDS_NULL_TIME; // 64 "effective date" (SUDS long time)
    float clock_correction = 0.0f;           // 68 "clock correction"
    float station_delay = 0.0f;              // 72 "station delay"
    SudsLongStationIdentifier long_station;  // 76 "long station/component"
};

// MuxData, 32 bytes.
struct SudsMuxData {
    std::string network = "unk";            //  0 "network"
    double beginning_time = SUDS_NULL_TIME; //  4 "beginning time" (SUDS time)
    int16_t minutes_west_of_gmt = -32767;   // 12 "minutes west of GMT"
    int16_t number_of_channels = -32767;    // 14 "number of channels"
    float samples_per_second = -32767.0f;   // 16 "samples per second"
    char type_of_data = '_';                // 20 "type of data"
    char data_descriptor = '_';             // 21 "data descriptor"
    int16_t spare_g = -32767;               // 22 "spareG"
    int32_t number_of_samples = -32767;     // 24 "number of samples"
    int32_t demultiplexed_samples = -32767; // 28 "demultiplexed samples"
};

// DescripTrace, 96 bytes; its data block holds the samples.
struct SudsDescripTrace {
    SudsStationIdentifier station;               //  0 "station/component"
    double initial_sample_time = SUDS_NULL_TIME; // 12 "initial sample time" (SUDS time)
    int16_t local_time_diff = -32767;            // 20 "local time diff"
    char data_type = '_';                 // 22 "data type" ('l','2': int32; 'i','q','s','u': int16)
    char data_descriptor = '_';           // 23 "data descriptor"
    int16_t digitized_by = 0;             // 24 "digitized by"
    int16_t processed_by = 0;             // 26 "processed by"
    int32_t number_of_samples = -32767;   // 28 "number of samples"
    float samples_per_second = -32767.0f; // 32 "samples per second"
    float minimum_data_value = -32767.0f; // 36 "minimum data value"
    float maximum_data_value = -32767.0f; // 40 "maximum data value"
    float average_noise = -32767.0f;      // 44 "average noise"
    int32_t num_clipped_samples = -32767; // 48 "num clipped samples"
    double time_correction = 0.0;         // 52 "time correction"
    float rate_correction = 0.0f;         // 60 "rate correction"
    SudsLongStationIdentifier long_station; // 64 "long station/component"
};

// Instrument, 114 bytes.
struct SudsInstrument {
    SudsStationIdentifier station;           //  0 "station/component"
    int16_t inst_serial_number = -32767;     // 12 "inst. serial number"
    int16_t number_of_components = -32767;   // 14 "number of components"
    int16_t channel_number = -32767;         // 16 "channel number"
    char sensor_type = '_';                  // 18 "sensor type"
    char data_type = '_';                    // 19 "data type"
    int32_t void_sample_value = -32767;      // 20 "void sample value"
    float digitizing_constant = -32767.0f;   // 24 "digitizing constant"
    float aaf_corner_freq = -32767.0f;       // 28 "AAF corner freq. (Hz)"
    float aaf_poles = -32767.0f;             // 32 "AAF poles"
    float trans_natural_freq = -32767.0f;    // 36 "trans natural freq. (Hz)"
    float trans_damping_coeff = -32767.0f;   // 40 "trans damping coeff."
    float trans_motion_constant = -32767.0f; // 44 "trans motion constant"
    float amplifier_gain_db = -32767.0f;     // 48 "amplifier gain (dB)"
    float local_x = -32767.0f;               // 52 "local X coord. (meters)"
    float local_y = -32767.0f;               // 56 "local Y coord. (meters)"
    float local_z = -32767.0f;               // 60 "local Z coord. (meters)"
    int32_t effective_time = SUDS_NULL_TIME; // 64 "effective time" (SUDS long time)
    float pre_event_memory = -32767.0f;      // 68 "pre-event memory (secs)"
    int16_t trigger_number = -32767;         // 72 "trigger number"
    std::string study_id;                    // 74 "study ID" (6)
    int16_t sensor_serial_number = -32767;   // 80 "sensor serial number"
    SudsLongStationIdentifier long_station;  // 82 "long station/component"
};

// Decoders: read the structure from p (at least its size in bytes).
void suds_get_station_identifier(const uint8_t* p, SudsStationIdentifier* out);
void suds_get_long_station_identifier(const uint8_t* p, SudsLongStationIdentifier* out);
void suds_get_station_comp(const uint8_t* p, SudsStationComp* out);
void suds_get_mux_data(const uint8_t* p, SudsMuxData* out);
void suds_get_descrip_trace(const uint8_t* p, SudsDescripTrace* out);
void suds_get_instrument(const uint8_t* p, SudsInstrument* out);

// Encoders: write every byte of the structure at p (at least its size).
void suds_put_station_identifier(const SudsStationIdentifier& in, uint8_t* p);
void suds_put_long_station_identifier(const SudsLongStationIdentifier& in, uint8_t* p);
void suds_put_station_comp(const SudsStationComp& in, uint8_t* p);
void suds_put_mux_data(const SudsMuxData& in, uint8_t* p);
void suds_put_descrip_trace(const SudsDescripTrace& in, uint8_t* p);
void suds_put_instrument(const SudsInstrument& in, uint8_t* p);

// The structures with their table defaults (as suds_init_struct fills them).
SudsStationIdentifier suds_default_station_identifier();
SudsLongStationIdentifier suds_default_long_station_identifier();
SudsStationComp suds_default_station_comp();
SudsMuxData suds_default_mux_data();
SudsDescripTrace suds_default_descrip_trace();
SudsInstrument suds_default_instrument();

// Record helpers: 1 when rec holds the structure (type matches) and out is
// filled, else 0 (out untouched).
int suds_record_get(const SudsRecord& rec, SudsStationComp* out);
int suds_record_get(const SudsRecord& rec, SudsMuxData* out);
int suds_record_get(const SudsRecord& rec, SudsDescripTrace* out);
int suds_record_get(const SudsRecord& rec, SudsInstrument* out);
// Sets rec's type, clears its body, encodes the structure and sets the data
// length given.
void suds_record_put(const SudsStationComp& in, int32_t data_length, SudsRecord* rec);
void suds_record_put(const SudsMuxData& in, int32_t data_length, SudsRecord* rec);
void suds_record_put(const SudsDescripTrace& in, int32_t data_length, SudsRecord* rec);
void suds_record_put(const SudsInstrument& in, int32_t data_length, SudsRecord* rec);

// Long station text "network:station:component": each non-empty part in
// that order, one ':' between two written parts.
std::string suds_long_station_text(const SudsLongStationIdentifier& id);
// Parses the long station text into id (cleared first): the text after the
// last ':' is the component, after the last remaining ':' the station, the
// rest the network. Parts longer than their field are cut to it.
void suds_parse_long_station_text(const char* text, SudsLongStationIdentifier* id);
