// The structure description table, default fill and typed structure access.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "suds/suds.h"

namespace {

const SudsFieldDescription& field(int id, const char* name) {
    const SudsFieldDescription* f = suds_find_field(id, name);
    EXPECT_NE(f, nullptr) << name;
    static const SudsFieldDescription none{};
    return f ? *f : none;
}

double number(const uint8_t* body, int id, const char* name, int element = 0) {
    return suds_field_number(body, field(id, name), element);
}

std::string text(const uint8_t* body, int id, const char* name) {
    char out[600];
    suds_format_field(body, field(id, name), 0, out, sizeof out);
    return out;
}

SudsRecord initialised(int type) {
    SudsRecord rec;
    rec.type = static_cast<int16_t>(type);
    rec.data_length = 1234;
    std::memset(rec.body, 0xAB, sizeof rec.body);
    EXPECT_EQ(suds_init_struct(&rec), 1);
    return rec;
}

} // namespace

TEST(SudsTable, RowsGroupedByIdWithAConsistentFirstRowIndex) {
    EXPECT_EQ(SUDS_TABLE_ROWS, 287);
    const auto& junk = suds_description_table[0];
    EXPECT_EQ(junk.struct_id, 0);
    EXPECT_STREQ(junk.name, "junk");
    EXPECT_EQ(junk.kind, SUDS_KIND_STRING);
    EXPECT_STREQ(junk.format, "%s");
    int total = 0;
    for (int id = 0; id < SUDS_STRUCT_IDS; ++id) {
        EXPECT_EQ(suds_struct_names[id].id, id);
        const int first = suds_first_row[id];
        const int n = suds_field_count(id);
        ASSERT_GT(n, 0) << id;
        total += n;
        EXPECT_TRUE(first == 0 || suds_description_table[first - 1].struct_id == id - 1) << id;
        for (int r = first; r < first + n; ++r)
            ASSERT_EQ(suds_description_table[r].struct_id, id);
    }
    EXPECT_EQ(total, SUDS_TABLE_ROWS);
    EXPECT_EQ(suds_field_count(SUDS_STATION_COMP), 26);
    EXPECT_EQ(suds_field_count(SUDS_ORIGIN), 31);
    EXPECT_EQ(suds_field_count(SUDS_INSTRUMENT), 23);
}

TEST(SudsTable, SizesAndNames) {
    const int sizes[SUDS_STRUCT_IDS] = {0,  12, 12,  4,  60, 108, 32, 96,  24, 540, 80, 76,
                                        18, 56, 100, 40, 28, 32,  48, 24,  8,  4,   4,  16,
                                        8,  64, 36,  32, 24, 12,  64, 114, 46, 32};
    for (int id = 0; id < SUDS_STRUCT_IDS; ++id)
        EXPECT_EQ(suds_struct_size(id), sizes[id]) << id;
    EXPECT_EQ(suds_struct_size(-1), 0);
    EXPECT_EQ(suds_struct_size(34), 0);
    EXPECT_STREQ(suds_struct_name(0), "No Struct");
    EXPECT_STREQ(suds_struct_name(SUDS_STATION_COMP), "StationComp");
    EXPECT_STREQ(suds_struct_name(SUDS_CALIB_POINTS), "Calib/Points");
    EXPECT_STREQ(suds_struct_name(SUDS_COMPLEX_NUMBER), "Complex Number");
    EXPECT_STREQ(suds_struct_name(SUDS_LONG_STATION_IDENTIFIER), "LongStationIdentifier");
    EXPECT_EQ(suds_struct_name(34), nullptr);
    EXPECT_EQ(SUDS_SIZE_STATION_COMP, suds_struct_size(SUDS_STATION_COMP));
    EXPECT_EQ(SUDS_SIZE_DESCRIP_TRACE, suds_struct_size(SUDS_DESCRIP_TRACE));
    EXPECT_EQ(SUDS_SIZE_INSTRUMENT, suds_struct_size(SUDS_INSTRUMENT));
    EXPECT_EQ(SUDS_SIZE_MUX_DATA, suds_struct_size(SUDS_MUX_DATA));
    EXPECT_EQ(SUDS_BODY_SIZE, suds_struct_size(SUDS_CALIBRATION));
}

TEST(SudsTable, EveryFieldLiesInsideItsStructureButTheKnownOddities) {
    // Profile and ShotGather place their one int16 at offset 6 of 4 bytes;
    // Layers places "spare" at offset 24 of 24 bytes.
    std::set<std::string> outside;
    for (const auto& f : suds_description_table) {
        if (f.struct_id == 0)
            continue;
        const int width = suds_kind_width(f.kind) * f.count;
        ASSERT_GT(width, 0) << f.name;
        if (f.offset + width > suds_struct_size(f.struct_id))
            outside.insert(std::string(suds_struct_name(f.struct_id)) + "." + f.name);
    }
    EXPECT_EQ(outside,
              (std::set<std::string>{"Profile.not right", "ShotGather.not right", "Layers.spare"}));
}

TEST(SudsTable, KindsFormatsAndSubStructuresAgree) {
    for (const auto& f : suds_description_table) {
        SCOPED_TRACE(std::string(suds_struct_name(f.struct_id)) + "." + f.name);
        const bool embedded = f.kind == SUDS_KIND_STATION_IDENT || f.kind == SUDS_KIND_SUB_ARRAY ||
                              f.kind == SUDS_KIND_SUB_STRUCT ||
                              f.kind == SUDS_KIND_LONG_STATION_IDENT;
        EXPECT_EQ(f.sub_struct_id != 0, embedded);
        EXPECT_EQ(f.format == nullptr, embedded);
        if (embedded) {
            EXPECT_EQ(suds_kind_width(f.kind), suds_struct_size(f.sub_struct_id));
            continue;
        }
        // The format's conversion must fit the value the kind is printed with.
        const std::string fmt = f.format;
        const char conv = fmt.back();
        switch (f.kind) {
        case SUDS_KIND_CHAR:
            EXPECT_EQ(fmt, "%c");
            break;
        case SUDS_KIND_STRING:
            EXPECT_EQ(conv, 's');
            break;
        case SUDS_KIND_HEX8:
            EXPECT_EQ(fmt, "%x");
            break;
        case SUDS_KIND_UINT16:
            EXPECT_EQ(fmt, "%u");
            break;
        case SUDS_KIND_INT8:
        case SUDS_KIND_INT16:
            EXPECT_EQ(fmt, "%d");
            break;
        case SUDS_KIND_INT32:
        case SUDS_KIND_LONG_TIME:
            EXPECT_EQ(fmt, "%ld");
            break;
        default:
            EXPECT_EQ(conv, 'f');
            break;
        }
    }
}

TEST(SudsTable, FieldsFollowEachOtherWithoutOverlapExceptInEquipment) {
    for (int id = 1; id < SUDS_STRUCT_IDS; ++id) {
        int end = 0;
        for (int r = suds_first_row[id]; r < suds_first_row[id] + suds_field_count(id); ++r) {
            const auto& f = suds_description_table[r];
            const bool known_overlap =
                id == SUDS_EQUIPMENT && std::strcmp(f.name, "serial number") == 0;
            if (!known_overlap) {
                EXPECT_GE(f.offset, end) << suds_struct_name(id) << "." << f.name;
            }
            end = f.offset + suds_kind_width(f.kind) * f.count;
        }
    }
}

TEST(SudsInit, StationCompDefaults) {
    SudsRecord rec = initialised(SUDS_STATION_COMP);
    EXPECT_EQ(rec.data_length, 0);
    const uint8_t* b = rec.body;
    EXPECT_EQ(std::memcmp(b, "unk\0", 4), 0);
    EXPECT_EQ(b[4], 0); // empty station name
    EXPECT_EQ(b[9], '_');
    EXPECT_EQ(number(b, SUDS_STATION_IDENTIFIER, "instrument type"), 0);
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "component azimuth"), -32767);
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "component incidence"), -32767);
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "latitude"), -32767.0);
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "longitude"), -32767.0);
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "effective date"), -2147472000);
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "clock correction"), 0.0);
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "station delay"), 0.0);
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "enclosure"), '_');
    EXPECT_EQ(number(b, SUDS_STATION_COMP, "status"), 0);
    for (int i = 76; i < 108; ++i)
        EXPECT_EQ(b[i], 0) << i; // empty long identifier
    for (int i = 108; i < SUDS_BODY_SIZE; ++i)
        ASSERT_EQ(b[i], 0xAB) << i; // nothing past the size
}

TEST(SudsInit, DescripTraceAndCalibrationDefaults) {
    SudsRecord trace = initialised(SUDS_DESCRIP_TRACE);
    EXPECT_EQ(trace.data_length, 0);
    EXPECT_EQ(number(trace.body, SUDS_DESCRIP_TRACE, "initial sample time"), -2147472000.0);
    EXPECT_EQ(number(trace.body, SUDS_DESCRIP_TRACE, "number of samples"), -32767);
    EXPECT_EQ(number(trace.body, SUDS_DESCRIP_TRACE, "samples per second"), -32767.0);
    EXPECT_EQ(number(trace.body, SUDS_DESCRIP_TRACE, "data type"), '_');
    EXPECT_EQ(text(trace.body, SUDS_DESCRIP_TRACE, "time correction"), "+0.000000");

    SudsRecord cal = initialised(SUDS_CALIBRATION);
    for (int i = 0; i < 30; ++i)
        for (int part = 0; part < 4; ++part) // pole and zero, real and imaginary
            ASSERT_EQ(suds_get_f32(cal.body + 20 + 16 * i + 4 * part), -32767.0f)
                << i << " " << part;
    EXPECT_EQ(number(cal.body, SUDS_CALIBRATION, "beginning time"), -2147472000);
    EXPECT_EQ(number(cal.body, SUDS_CALIBRATION, "ending time"), -2147472000);
    EXPECT_EQ(number(cal.body, SUDS_CALIBRATION, "maximum gain"), -32767.0);
}

TEST(SudsInit, MultiElementFieldsTagsAndOddities) {
    SudsRecord err = initialised(SUDS_ERROR);
    EXPECT_EQ(number(err.body, SUDS_ERROR, "covariance matrix", 0), -32767.0);
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(number(err.body, SUDS_ERROR, "covariance matrix", i), 0.0);
    SudsRecord moment = initialised(SUDS_MOMENT);
    EXPECT_EQ(moment.body[2], '_');
    EXPECT_EQ(moment.body[3], 0);
    SudsRecord tag = initialised(SUDS_STRUCTURE_TAG);
    EXPECT_EQ(tag.body[0], 'S');
    EXPECT_EQ(tag.body[1], 'M');
    SudsRecord det = initialised(SUDS_DETECTOR);
    EXPECT_EQ(text(det.body, SUDS_DETECTOR, "network node id"), "unk       ");
    // The "not right" default lands inside the record at offset 6.
    SudsRecord profile = initialised(SUDS_PROFILE);
    EXPECT_EQ(suds_get_i16(profile.body + 6), -32767);
    // A plain buffer of the structure's size is never written past.
    uint8_t small[5] = {1, 2, 3, 4, 0x77};
    EXPECT_EQ(suds_init_body(SUDS_PROFILE, small, 4), 1);
    EXPECT_EQ(small[4], 0x77);

    SudsRecord bad;
    bad.type = 34;
    EXPECT_EQ(suds_init_struct(&bad), 0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Unknown structure type: 34");
}

TEST(SudsFields, DefaultsOfTheTypedStructuresMatchTheTable) {
    SudsStationComp sc;
    SudsStationComp from_table = suds_default_station_comp();
    uint8_t a[SUDS_BODY_SIZE] = {}, b[SUDS_BODY_SIZE] = {};
    suds_put_station_comp(sc, a);
    suds_put_station_comp(from_table, b);
    EXPECT_EQ(std::memcmp(a, b, SUDS_SIZE_STATION_COMP), 0);

    SudsRecord rec = initialised(SUDS_DESCRIP_TRACE);
    suds_put_descrip_trace(SudsDescripTrace{}, a);
    EXPECT_EQ(std::memcmp(a, rec.body, SUDS_SIZE_DESCRIP_TRACE), 0);
    rec = initialised(SUDS_INSTRUMENT);
    suds_put_instrument(SudsInstrument{}, a);
    EXPECT_EQ(std::memcmp(a, rec.body, SUDS_SIZE_INSTRUMENT), 0);
    rec = initialised(SUDS_MUX_DATA);
    suds_put_mux_data(SudsMuxData{}, a);
    EXPECT_EQ(std::memcmp(a, rec.body, SUDS_SIZE_MUX_DATA), 0);
}

TEST(SudsFields, StationCompAndDescripTraceSitAtTheTableOffsets) {
    SudsStationComp sc;
    sc.station.network = "NT";
    sc.station.station_name = "ABCDE"; // fills the field: no NUL stored
    sc.station.component = 'z';
    sc.station.instrument_type = -3;
    sc.azimuth = 123;
    sc.incidence = -45;
    sc.latitude = 48.25;
    sc.longitude = -123.5;
    sc.elevation = 812.5f;
    sc.data_type = 'l';
    sc.annotated_comment = -7;
    sc.status = 9;
    sc.maximum_gain = 2.5e6f;
    sc.conversion_to_mvolts = 0.125f;
    sc.channel = 17;
    sc.atod_gain = 4;
    sc.effective_date = 1158943510;
    sc.station_delay = -0.25f;
    sc.long_station.long_network = "NETWORKX";
    sc.long_station.long_station = "LONGSTATIONNAME";
    sc.long_station.long_component = "HHZ";
    uint8_t b[SUDS_BODY_SIZE] = {};
    suds_put_station_comp(sc, b);
    const int id = SUDS_STATION_COMP;
    EXPECT_EQ(text(b, SUDS_STATION_IDENTIFIER, "network"), "NT  ");
    EXPECT_EQ(text(b, SUDS_STATION_IDENTIFIER, "station name"), "ABCDE");
    EXPECT_EQ(b[9], 'z');
    EXPECT_EQ(number(b, SUDS_STATION_IDENTIFIER, "instrument type"), -3);
    EXPECT_EQ(number(b, id, "component azimuth"), 123);
    EXPECT_EQ(number(b, id, "component incidence"), -45);
    EXPECT_EQ(number(b, id, "latitude"), 48.25);
    EXPECT_EQ(number(b, id, "longitude"), -123.5);
    EXPECT_EQ(number(b, id, "elevation, meters"), 812.5);
    EXPECT_EQ(number(b, id, "data type"), 'l');
    EXPECT_EQ(number(b, id, "annotated comment"), -7);
    EXPECT_EQ(number(b, id, "status"), 9);
    EXPECT_EQ(number(b, id, "maximum gain"), 2.5e6);
    EXPECT_EQ(number(b, id, "conversion to mvolts"), 0.125);
    EXPECT_EQ(number(b, id, "channel"), 17);
    EXPECT_EQ(number(b, id, "atod gain"), 4);
    EXPECT_EQ(number(b, id, "effective date"), 1158943510);
    EXPECT_EQ(number(b, id, "station delay"), -0.25);
    EXPECT_EQ(text(b + field(id, "long station/component").offset, SUDS_LONG_STATION_IDENTIFIER,
                   "long station"),
              "LONGSTATIONNAME");
    SudsStationComp back;
    suds_get_station_comp(b, &back);
    EXPECT_EQ(back.station.station_name, "ABCDE");
    EXPECT_EQ(back.long_station.long_network, "NETWORKX");
    EXPECT_EQ(back.latitude, 48.25);
    EXPECT_EQ(back.effective_date, 1158943510);
    EXPECT_EQ(back.annotated_comment, -7);

    SudsDescripTrace dt;
    dt.station = sc.station;
    dt.initial_sample_time = 1158943510.125;
    dt.local_time_diff = -60;
    dt.data_type = 'l';
    dt.data_descriptor = 'x';
    dt.digitized_by = 5;
    dt.processed_by = 6;
    dt.number_of_samples = 123456;
    dt.samples_per_second = 100.0f;
    dt.minimum_data_value = -512.0f;
    dt.maximum_data_value = 511.0f;
    dt.average_noise = 3.5f;
    dt.num_clipped_samples = 2;
    dt.time_correction = -0.0625;
    dt.rate_correction = 1e-6f;
    dt.long_station.long_component = "BHN";
    std::memset(b, 0, sizeof b);
    suds_put_descrip_trace(dt, b);
    const int t = SUDS_DESCRIP_TRACE;
    EXPECT_EQ(number(b, t, "initial sample time"), 1158943510.125);
    EXPECT_EQ(number(b, t, "local time diff"), -60);
    EXPECT_EQ(number(b, t, "data type"), 'l');
    EXPECT_EQ(number(b, t, "data descriptor"), 'x');
    EXPECT_EQ(number(b, t, "digitized by"), 5);
    EXPECT_EQ(number(b, t, "processed by"), 6);
    EXPECT_EQ(number(b, t, "number of samples"), 123456);
    EXPECT_EQ(number(b, t, "samples per second"), 100.0);
    EXPECT_EQ(number(b, t, "minimum data value"), -512.0);
    EXPECT_EQ(number(b, t, "maximum data value"), 511.0);
    EXPECT_EQ(number(b, t, "average noise"), 3.5);
    EXPECT_EQ(number(b, t, "num clipped samples"), 2);
    EXPECT_EQ(number(b, t, "time correction"), -0.0625);
    EXPECT_EQ(number(b, t, "rate correction"), static_cast<double>(1e-6f));
    EXPECT_EQ(std::memcmp(b + 64 + 24, "BHN", 4), 0);
    SudsRecord rec;
    suds_record_put(dt, 123456 * 4, &rec);
    SudsDescripTrace got;
    ASSERT_EQ(suds_record_get(rec, &got), 1);
    EXPECT_EQ(rec.data_length, 123456 * 4);
    EXPECT_EQ(got.number_of_samples, 123456);
    EXPECT_EQ(got.long_station.long_component, "BHN");
    SudsStationComp wrong;
    EXPECT_EQ(suds_record_get(rec, &wrong), 0);
}

TEST(SudsFields, InstrumentAndMuxDataSitAtTheTableOffsets) {
    SudsInstrument in;
    in.inst_serial_number = 1001;
    in.number_of_components = 3;
    in.channel_number = 2;
    in.sensor_type = 'v';
    in.data_type = 's';
    in.void_sample_value = -99999;
    in.digitizing_constant = 0.5f;
    in.aaf_corner_freq = 40.0f;
    in.amplifier_gain_db = 12.0f;
    in.local_z = -3.0f;
    in.effective_time = 86400;
    in.pre_event_memory = 15.0f;
    in.trigger_number = 77;
    in.study_id = "STUDY1XYZ"; // cut to 6
    in.sensor_serial_number = 4242;
    in.long_station.long_station = "S";
    uint8_t b[SUDS_BODY_SIZE] = {};
    suds_put_instrument(in, b);
    const int id = SUDS_INSTRUMENT;
    EXPECT_EQ(number(b, id, "inst. serial number"), 1001);
    EXPECT_EQ(number(b, id, "number of components"), 3);
    EXPECT_EQ(number(b, id, "channel number"), 2);
    EXPECT_EQ(number(b, id, "sensor type"), 'v');
    EXPECT_EQ(number(b, id, "data type"), 's');
    EXPECT_EQ(number(b, id, "void sample value"), -99999);
    EXPECT_EQ(number(b, id, "digitizing constant"), 0.5);
    EXPECT_EQ(number(b, id, "AAF corner freq. (Hz)"), 40.0);
    EXPECT_EQ(number(b, id, "amplifier gain (dB)"), 12.0);
    EXPECT_EQ(number(b, id, "local Z coord. (meters)"), -3.0);
    EXPECT_EQ(number(b, id, "effective time"), 86400);
    EXPECT_EQ(number(b, id, "pre-event memory (secs)"), 15.0);
    EXPECT_EQ(number(b, id, "trigger number"), 77);
    EXPECT_EQ(text(b, id, "study ID"), "STUDY1");
    EXPECT_EQ(number(b, id, "sensor serial number"), 4242);
    EXPECT_EQ(b[82 + 8], 'S');
    SudsInstrument back;
    suds_get_instrument(b, &back);
    EXPECT_EQ(back.study_id, "STUDY1");
    EXPECT_EQ(back.void_sample_value, -99999);
    EXPECT_EQ(back.long_station.long_station, "S");

    SudsMuxData mux;
    mux.network = "ABCDEFG";
    mux.beginning_time = -1.5;
    mux.minutes_west_of_gmt = 480;
    mux.number_of_channels = 12;
    mux.samples_per_second = 200.0f;
    mux.type_of_data = 'i';
    mux.data_descriptor = 'd';
    mux.spare_g = 1;
    mux.number_of_samples = 1 << 20;
    mux.demultiplexed_samples = 7;
    std::memset(b, 0, sizeof b);
    suds_put_mux_data(mux, b);
    const int m = SUDS_MUX_DATA;
    EXPECT_EQ(text(b, m, "network"), "ABCD");
    EXPECT_EQ(number(b, m, "beginning time"), -1.5);
    EXPECT_EQ(number(b, m, "minutes west of GMT"), 480);
    EXPECT_EQ(number(b, m, "number of channels"), 12);
    EXPECT_EQ(number(b, m, "samples per second"), 200.0);
    EXPECT_EQ(number(b, m, "type of data"), 'i');
    EXPECT_EQ(number(b, m, "data descriptor"), 'd');
    EXPECT_EQ(number(b, m, "spareG"), 1);
    EXPECT_EQ(number(b, m, "number of samples"), 1 << 20);
    EXPECT_EQ(number(b, m, "demultiplexed samples"), 7);
    SudsMuxData mback;
    suds_get_mux_data(b, &mback);
    EXPECT_EQ(mback.network, "ABCD");
    EXPECT_EQ(mback.number_of_samples, 1 << 20);
}

TEST(SudsFields, LongStationTextRenderingAndParsing) {
    SudsLongStationIdentifier id;
    id.long_network = "NET";
    id.long_component = "HHZ";
    EXPECT_EQ(suds_long_station_text(id), "NET:HHZ");
    id.long_station = "STA";
    EXPECT_EQ(suds_long_station_text(id), "NET:STA:HHZ");
    id.long_network.clear();
    EXPECT_EQ(suds_long_station_text(id), "STA:HHZ");
    EXPECT_EQ(suds_long_station_text(SudsLongStationIdentifier{}), "");

    suds_parse_long_station_text("NET:STA:HHZ", &id);
    EXPECT_EQ(id.long_network, "NET");
    EXPECT_EQ(id.long_station, "STA");
    EXPECT_EQ(id.long_component, "HHZ");
    suds_parse_long_station_text("A:B:C:D", &id); // splits at the last two colons
    EXPECT_EQ(id.long_network, "A:B");
    EXPECT_EQ(id.long_station, "C");
    EXPECT_EQ(id.long_component, "D");
    suds_parse_long_station_text("STA:HHZ", &id); // cleared first
    EXPECT_EQ(id.long_network, "");
    EXPECT_EQ(id.long_station, "STA");
    EXPECT_EQ(id.long_component, "HHZ");
    suds_parse_long_station_text("HHZ", &id);
    EXPECT_EQ(id.long_station, "");
    EXPECT_EQ(id.long_component, "HHZ");
    suds_parse_long_station_text("VERYLONGNETWORK:VERYLONGSTATIONNAME1:COMPONENT9", &id);
    EXPECT_EQ(id.long_network, "VERYLONG");
    EXPECT_EQ(id.long_station, "VERYLONGSTATIONN");
    EXPECT_EQ(id.long_component, "COMPONEN");
    // A full-width field round-trips through the bytes without its NUL.
    uint8_t b[32];
    suds_put_long_station_identifier(id, b);
    SudsLongStationIdentifier back;
    suds_get_long_station_identifier(b, &back);
    EXPECT_EQ(suds_long_station_text(back), "VERYLONG:VERYLONGSTATIONN:COMPONEN");
}

TEST(SudsFields, FormattedFieldsUseTheTablePrintFormats) {
    SudsRecord rec = initialised(SUDS_STATION_COMP);
    EXPECT_EQ(text(rec.body, SUDS_STATION_IDENTIFIER, "network"), "unk ");
    EXPECT_EQ(text(rec.body, SUDS_STATION_COMP, "latitude"), "-32767.000000");
    EXPECT_EQ(text(rec.body, SUDS_STATION_COMP, "component azimuth"), "-32767");
    EXPECT_EQ(text(rec.body, SUDS_STATION_COMP, "clock correction"), "+0.000000");
    EXPECT_EQ(text(rec.body, SUDS_STATION_COMP, "effective date"), "-2147472000");
    EXPECT_EQ(text(rec.body, SUDS_STATION_COMP, "polarity"), "_");
    EXPECT_EQ(text(rec.body, SUDS_STATION_COMP, "station/component"), "");
    SudsRecord atod = initialised(SUDS_ATOD_INFO);
    suds_put_u16(atod.body + 4, 65535);
    EXPECT_EQ(text(atod.body, SUDS_ATOD_INFO, "device flags"), "65535");
    SudsRecord moment = initialised(SUDS_MOMENT);
    moment.body[0] = 0xfe;
    EXPECT_EQ(text(moment.body, SUDS_MOMENT, "datatypes"), "fe");
}

namespace {

// Decodes body into T and encodes it again into a fresh buffer.
template <typename T>
bool bytes_survive(const uint8_t* body, int size, void (*get)(const uint8_t*, T*),
                   void (*put)(const T&, uint8_t*)) {
    T value;
    get(body, &value);
    uint8_t again[SUDS_BODY_SIZE];
    std::memset(again, 0, sizeof again);
    put(value, again);
    return std::memcmp(body, again, static_cast<size_t>(size)) == 0;
}

} // namespace

TEST(SudsFields, EveryByteOfEachTypedStructureSurvivesDecodeAndEncode) {
    // Bytes 1..63: strings fill their fields, floats are never NaN.
    uint32_t state = 12345;
    for (int round = 0; round < 50; ++round) {
        uint8_t b[SUDS_BODY_SIZE];
        for (uint8_t& x : b) {
            state = state * 1664525u + 1013904223u;
            x = static_cast<uint8_t>(1 + (state >> 24) % 63);
        }
        ASSERT_TRUE(bytes_survive<SudsStationIdentifier>(b, SUDS_SIZE_STATION_IDENTIFIER,
                                                         suds_get_station_identifier,
                                                         suds_put_station_identifier));
        ASSERT_TRUE(bytes_survive<SudsLongStationIdentifier>(b, SUDS_SIZE_LONG_STATION_IDENTIFIER,
                                                             suds_get_long_station_identifier,
                                                             suds_put_long_station_identifier));
        ASSERT_TRUE(bytes_survive<SudsStationComp>(b, SUDS_SIZE_STATION_COMP, suds_get_station_comp,
                                                   suds_put_station_comp));
        ASSERT_TRUE(bytes_survive<SudsMuxData>(b, SUDS_SIZE_MUX_DATA, suds_get_mux_data,
                                               suds_put_mux_data));
        ASSERT_TRUE(bytes_survive<SudsDescripTrace>(
            b, SUDS_SIZE_DESCRIP_TRACE, suds_get_descrip_trace, suds_put_descrip_trace));
        ASSERT_TRUE(bytes_survive<SudsInstrument>(b, SUDS_SIZE_INSTRUMENT, suds_get_instrument,
                                                  suds_put_instrument));
    }
}
