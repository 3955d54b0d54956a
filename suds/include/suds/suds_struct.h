// SUDS structures: ids, names, sizes, the structure description table (one
// row per field) and the default fill of a structure.
#pragma once

#include <cstddef>
#include <cstdint>

// Structure ids (structure number of a tag); 1..33 are valid tag types.
enum SudsStructId : int {
    SUDS_NO_STRUCT = 0,
    SUDS_STATION_IDENTIFIER = 1,
    SUDS_STRUCTURE_TAG = 2,
    SUDS_TERMINATOR = 3,
    SUDS_EQUIPMENT = 4,
    SUDS_STATION_COMP = 5,
    SUDS_MUX_DATA = 6,
    SUDS_DESCRIP_TRACE = 7,
    SUDS_LOC_TRACE = 8,
    SUDS_CALIBRATION = 9,
    SUDS_FEATURE = 10,
    SUDS_RESIDUAL = 11,
    SUDS_EVENT = 12,
    SUDS_EVENT_DESCRIPTION = 13,
    SUDS_ORIGIN = 14,
    SUDS_ERROR = 15,
    SUDS_FOCAL_MECH = 16,
    SUDS_MOMENT = 17,
    SUDS_VEL_MODEL = 18,
    SUDS_LAYERS = 19,
    SUDS_COMMENT = 20,
    SUDS_PROFILE = 21,
    SUDS_SHOT_GATHER = 22,
    SUDS_CALIB_POINTS = 23,
    SUDS_COMPLEX_NUMBER = 24,
    SUDS_TRIGGERS = 25,
    SUDS_TRIG_SETTING = 26,
    SUDS_EVENT_SETTING = 27,
    SUDS_DETECTOR = 28,
    SUDS_ATOD_INFO = 29,
    SUDS_TIME_CORRECTION = 30,
    SUDS_INSTRUMENT = 31,
    SUDS_CHANNEL_SET = 32,
    SUDS_LONG_STATION_IDENTIFIER = 33,
};

inline constexpr int SUDS_MAX_STRUCT_ID = 33;
inline constexpr int SUDS_STRUCT_IDS = 34;  // ids 0..33
inline constexpr int SUDS_TABLE_ROWS = 287; // description table rows
inline constexpr int SUDS_BODY_SIZE = 540;  // largest structure (Calibration)

// Sizes in bytes of the structures the programs use.
inline constexpr int SUDS_SIZE_STATION_IDENTIFIER = 12;
inline constexpr int SUDS_SIZE_STRUCTURE_TAG = 12;
inline constexpr int SUDS_SIZE_STATION_COMP = 108;
inline constexpr int SUDS_SIZE_MUX_DATA = 32;
inline constexpr int SUDS_SIZE_DESCRIP_TRACE = 96;
inline constexpr int SUDS_SIZE_CALIBRATION = 540;
inline constexpr int SUDS_SIZE_INSTRUMENT = 114;
inline constexpr int SUDS_SIZE_LONG_STATION_IDENTIFIER = 32;

// Field kinds (third column of the description table).
enum SudsFieldKind : int {
    SUDS_KIND_CHAR = 1,                // character, 1 byte per element
    SUDS_KIND_INT8 = 2,                // signed 8-bit
    SUDS_KIND_STRING = 3,              // string of count bytes, NUL-terminated when shorter
    SUDS_KIND_HEX8 = 4,                // unsigned 8-bit, printed in hex
    SUDS_KIND_INT16 = 5,               // signed 16-bit
    SUDS_KIND_INT32 = 6,               // signed 32-bit
    SUDS_KIND_FLOAT = 7,               // 32-bit float
    SUDS_KIND_DOUBLE = 8,              // 64-bit float
    SUDS_KIND_STATION_IDENT = 9,       // embedded StationIdentifier (12 bytes)
    SUDS_KIND_LONG_TIME = 10,          // SUDS long time, int32 seconds
    SUDS_KIND_TIME = 11,               // SUDS time, 64-bit float seconds
    SUDS_KIND_LATLON = 12,             // 64-bit float degrees
    SUDS_KIND_SUB_ARRAY = 13,          // array of 16-byte sub-structures
    SUDS_KIND_SUB_STRUCT = 14,         // embedded sub-structure (Complex Number)
    SUDS_KIND_UINT16 = 15,             // unsigned 16-bit
    SUDS_KIND_LONG_STATION_IDENT = 16, // embedded LongStationIdentifier (32 bytes)
};

// One row of the structure description table.
struct SudsFieldDescription {
    int32_t struct_id;        // structure the field belongs to
    const char* name;         // the field's description text
    int32_t kind;             // SudsFieldKind
    int32_t count;            // elements (string length for kind 3)
    int32_t offset;           // byte offset in the structure
    const char* default_text; // initial value as text ("" when empty)
    const char* format;       // printf format; nullptr for embedded sub-structures
    int32_t sub_struct_id;    // id of the embedded structure for kinds 9, 13, 14, 16, else 0
};

// Pair of the name table.
struct SudsStructName {
    int32_t id;
    const char* name;
};

// The structure description table: 287 rows grouped by structure id, row 0
// the placeholder of structure 0.
extern const SudsFieldDescription suds_description_table[SUDS_TABLE_ROWS];
// For each structure id 0..33 the number of its first row in the table.
extern const int32_t suds_first_row[SUDS_STRUCT_IDS];
// Size in bytes of each structure id 0..33.
extern const int32_t suds_struct_sizes[SUDS_STRUCT_IDS];
// Name of each structure id 0..33, in id order.
extern const SudsStructName suds_struct_names[SUDS_STRUCT_IDS];

// Size of structure id, or 0 for an id outside 0..33.
int suds_struct_size(int id);
// Name of structure id, or nullptr for an id outside 0..33.
const char* suds_struct_name(int id);
// Number of table rows of structure id (0 for an id outside 0..33).
int suds_field_count(int id);
// The row of structure id whose field text is name, or nullptr.
const SudsFieldDescription* suds_find_field(int id, const char* name);

// Width in bytes of one element of a field of this kind (0 for unknown kinds).
int suds_kind_width(int kind);

// The unit in which callers pass structures: type, data length, body.
// An in-memory record only: the library moves its fields to and from files
// explicitly, so its own layout and padding never reach a file.
struct SudsRecord {
    int16_t type = 0;        // structure id held in the body (1..33)
    int32_t data_length = 0; // bytes of the data block that belongs to it
    uint8_t body[SUDS_BODY_SIZE] = {};
};

// Prepares rec for writing a structure of rec->type: data length 0, the
// first size-of-type bytes of the body zero, every field its default.
// 1 on success, 0 with the error text set when the type is outside 0..33.
int suds_init_struct(SudsRecord* rec);

// Fills the defaults of structure id into body (size bytes available; bytes
// past size are never touched). 1 on success, 0 for an id outside 0..33.
int suds_init_body(int id, uint8_t* body, size_t size);

// Numeric value of element `element` of a plain field (kinds 1, 2, 4..8,
// 10..12, 15) in body; 0.0 for other kinds or an element out of range.
double suds_field_number(const uint8_t* body, const SudsFieldDescription& field, int element);

// Writes the field's element (or, for kind 3, the whole string) of body
// into out with the field's print format; the text is empty for embedded
// sub-structures. Returns the length of the text written (snprintf rules).
int suds_format_field(const uint8_t* body, const SudsFieldDescription& field, int element,
                      char* out, size_t out_size);
