// Placeholder bodies: every operation fails until its module lands.
#include "suds/suds.h"

int suds_month_start(int, int) { return 0; }
int is_leap_year(int16_t, int) { return 0; }
int day_of_year(int, int, int) { return 0; }
void month_and_day(int, int, int* m, int* d) { *m = 0; *d = 0; }
int32_t julian_day_number(int, int, int, int) { return 0; }
void calendar_date(int32_t, int, int* y, int* m, int* d) { *y = *m = *d = 0; }
SudsTime suds_make_time(int16_t, int16_t, int16_t, int16_t, int16_t, double) { return 0.0; }
void suds_split_time(SudsTime, int16_t* y, int16_t* mo, int16_t* d, int16_t* h, int16_t* mi, double* s) {
  *y = *mo = *d = *h = *mi = 0; *s = 0.0;
}
SudsTime suds_now() { return 0.0; }
SudsTime suds_parse_time(const char*, int) { return 0.0; }
const char* suds_time_text(SudsTime, int) { return ""; }

const char* suds_error_text() { return ""; }
void suds_set_error_text(const char*) {}

const SudsFieldDescription suds_description_table[SUDS_TABLE_ROWS] = {};
const int32_t suds_first_row[SUDS_STRUCT_IDS] = {};
const int32_t suds_struct_sizes[SUDS_STRUCT_IDS] = {};
const SudsStructName suds_struct_names[SUDS_STRUCT_IDS] = {};
int suds_struct_size(int) { return 0; }
const char* suds_struct_name(int) { return nullptr; }
int suds_field_count(int) { return 0; }
const SudsFieldDescription* suds_find_field(int, const char*) { return nullptr; }
int suds_kind_width(int) { return 0; }
int suds_init_struct(SudsRecord*) { return 0; }
int suds_init_body(int, uint8_t*, size_t) { return 0; }
double suds_field_number(const uint8_t*, const SudsFieldDescription&, int) { return 0.0; }
int suds_format_field(const uint8_t*, const SudsFieldDescription&, int, char* o, size_t n) { if (n) *o = 0; return 0; }

void suds_get_station_identifier(const uint8_t*, SudsStationIdentifier*) {}
void suds_get_long_station_identifier(const uint8_t*, SudsLongStationIdentifier*) {}
void suds_get_station_comp(const uint8_t*, SudsStationComp*) {}
void suds_get_mux_data(const uint8_t*, SudsMuxData*) {}
void suds_get_descrip_trace(const uint8_t*, SudsDescripTrace*) {}
void suds_get_instrument(const uint8_t*, SudsInstrument*) {}
void suds_put_station_identifier(const SudsStationIdentifier&, uint8_t*) {}
void suds_put_long_station_identifier(const SudsLongStationIdentifier&, uint8_t*) {}
void suds_put_station_comp(const SudsStationComp&, uint8_t*) {}
void suds_put_mux_data(const SudsMuxData&, uint8_t*) {}
void suds_put_descrip_trace(const SudsDescripTrace&, uint8_t*) {}
void suds_put_instrument(const SudsInstrument&, uint8_t*) {}
SudsStationIdentifier suds_default_station_identifier() { return {}; }
SudsLongStationIdentifier suds_default_long_station_identifier() { return {}; }
SudsStationComp suds_default_station_comp() { return {}; }
SudsMuxData suds_default_mux_data() { return {}; }
SudsDescripTrace suds_default_descrip_trace() { return {}; }
SudsInstrument suds_default_instrument() { return {}; }
int suds_record_get(const SudsRecord&, SudsStationComp*) { return 0; }
int suds_record_get(const SudsRecord&, SudsMuxData*) { return 0; }
int suds_record_get(const SudsRecord&, SudsDescripTrace*) { return 0; }
int suds_record_get(const SudsRecord&, SudsInstrument*) { return 0; }
void suds_record_put(const SudsStationComp&, int32_t, SudsRecord*) {}
void suds_record_put(const SudsMuxData&, int32_t, SudsRecord*) {}
void suds_record_put(const SudsDescripTrace&, int32_t, SudsRecord*) {}
void suds_record_put(const SudsInstrument&, int32_t, SudsRecord*) {}
std::string suds_long_station_text(const SudsLongStationIdentifier&) { return {}; }
void suds_parse_long_station_text(const char*, SudsLongStationIdentifier*) {}

int suds_open(const char*, int) { return 0; }
int suds_close(int) { return 0; }
int suds_read_struct(int, SudsRecord*) { return 0; }
int suds_read_data(int, void*, int32_t) { return 0; }
int suds_write_struct(int, const SudsRecord*) { return 0; }
int suds_write_data(int, const void*, int32_t) { return 0; }
int suds_update(int, const SudsRecord*) { return 0; }
int suds_flush(int) { return 0; }
int32_t suds_struct_position(int) { return -1; }
int32_t suds_file_position(int) { return -1; }
int suds_seek(int, int32_t) { return 0; }
int suds_rewind(int) { return 0; }
int suds_current_tag(int, SudsTag*) { return 0; }
int suds_open_count() { return 0; }
const char* suds_file_name(int) { return ""; }
void suds_reset() {}
