// Structure sizes and names, the default fill and generic field access,
// all driven by the structure description table.
#include "suds/suds_struct.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "suds/suds_bytes.h"
#include "suds/suds_error.h"

namespace {

bool valid_id(int id) {
    return id >= 0 && id < SUDS_STRUCT_IDS;
}

int row_end(int id) {
    return id + 1 < SUDS_STRUCT_IDS ? suds_first_row[id + 1] : SUDS_TABLE_ROWS;
}

// Stores the default of a plain row at body + at, when its bytes fit below limit.
void store_default(const SudsFieldDescription& f, uint8_t* body, size_t at, size_t limit) {
    const char* text = f.default_text ? f.default_text : "";
    const size_t width = static_cast<size_t>(suds_kind_width(f.kind));
    if (f.kind == SUDS_KIND_STRING) {
        // Copied as a string with its NUL, never past the field.
        size_t n = std::strlen(text) + 1;
        if (n > static_cast<size_t>(f.count))
            n = static_cast<size_t>(f.count);
        if (at + n > limit)
            return;
        std::memcpy(body + at, text, n);
        return;
    }
    // Only the first element of a multi-element field gets the default.
    if (width == 0 || at + width > limit)
        return;
    uint8_t* p = body + at;
    switch (f.kind) {
    case SUDS_KIND_CHAR:
        *p = static_cast<uint8_t>(text[0]);
        break;
    case SUDS_KIND_INT8:
    case SUDS_KIND_HEX8:
        *p = static_cast<uint8_t>(std::atoi(text));
        break;
    case SUDS_KIND_INT16:
    case SUDS_KIND_UINT16:
        suds_put_u16(p, static_cast<uint16_t>(std::atoi(text)));
        break;
    case SUDS_KIND_INT32:
    case SUDS_KIND_LONG_TIME:
        suds_put_i32(p, static_cast<int32_t>(std::strtol(text, nullptr, 10)));
        break;
    case SUDS_KIND_FLOAT:
        suds_put_f32(p, static_cast<float>(std::strtod(text, nullptr)));
        break;
    case SUDS_KIND_DOUBLE:
    case SUDS_KIND_TIME:
    case SUDS_KIND_LATLON:
        suds_put_f64(p, std::strtod(text, nullptr));
        break;
    default:
        break;
    }
}

// Fills the defaults of structure id at body + base; nothing at or past limit.
void fill_defaults(int id, uint8_t* body, size_t base, size_t limit, int depth) {
    if (!valid_id(id) || depth > 4)
        return;
    for (int r = suds_first_row[id]; r < row_end(id); ++r) {
        const SudsFieldDescription& f = suds_description_table[r];
        const size_t at = base + static_cast<size_t>(f.offset);
        if (f.kind == SUDS_KIND_SUB_ARRAY) {
            const size_t element = static_cast<size_t>(suds_struct_size(f.sub_struct_id));
            for (int i = 0; i < f.count; ++i)
                fill_defaults(f.sub_struct_id, body, at + element * static_cast<size_t>(i), limit,
                              depth + 1);
        } else if (f.sub_struct_id != 0) {
            fill_defaults(f.sub_struct_id, body, at, limit, depth + 1);
        } else {
            store_default(f, body, at, limit);
        }
    }
}

bool plain_kind(int kind) {
    switch (kind) {
    case SUDS_KIND_STRING:
    case SUDS_KIND_STATION_IDENT:
    case SUDS_KIND_SUB_ARRAY:
    case SUDS_KIND_SUB_STRUCT:
    case SUDS_KIND_LONG_STATION_IDENT:
        return false;
    default:
        return suds_kind_width(kind) > 0;
    }
}

} // namespace

int suds_struct_size(int id) {
    return valid_id(id) ? suds_struct_sizes[id] : 0;
}

const char* suds_struct_name(int id) {
    return valid_id(id) ? suds_struct_names[id].name : nullptr;
}

int suds_field_count(int id) {
    return valid_id(id) ? row_end(id) - suds_first_row[id] : 0;
}

const SudsFieldDescription* suds_find_field(int id, const char* name) {
    if (!valid_id(id) || !name)
        return nullptr;
    for (int r = suds_first_row[id]; r < row_end(id); ++r)
        if (std::strcmp(suds_description_table[r].name, name) == 0)
            return &suds_description_table[r];
    return nullptr;
}

int suds_kind_width(int kind) {
    switch (kind) {
    case SUDS_KIND_CHAR:
    case SUDS_KIND_INT8:
    case SUDS_KIND_STRING:
    case SUDS_KIND_HEX8:
        return 1;
    case SUDS_KIND_INT16:
    case SUDS_KIND_UINT16:
        return 2;
    case SUDS_KIND_INT32:
    case SUDS_KIND_FLOAT:
    case SUDS_KIND_LONG_TIME:
        return 4;
    case SUDS_KIND_DOUBLE:
    case SUDS_KIND_TIME:
    case SUDS_KIND_LATLON:
    case SUDS_KIND_SUB_STRUCT:
        return 8;
    case SUDS_KIND_STATION_IDENT:
        return 12;
    case SUDS_KIND_SUB_ARRAY:
        return 16;
    case SUDS_KIND_LONG_STATION_IDENT:
        return 32;
    default:
        return 0;
    }
}

int suds_init_body(int id, uint8_t* body, size_t size) {
    if (!valid_id(id) || !body)
        return 0;
    size_t n = static_cast<size_t>(suds_struct_size(id));
    if (n > size)
        n = size;
    std::memset(body, 0, n);
    fill_defaults(id, body, 0, size, 0);
    return 1;
}

int suds_init_struct(SudsRecord* rec) {
    if (!rec)
        return 0;
    if (!valid_id(rec->type)) {
        char text[64];
        std::snprintf(text, sizeof text, "ERROR: Unknown structure type: %d", rec->type);
        suds_set_error_text(text);
        return 0;
    }
    rec->data_length = 0;
    return suds_init_body(rec->type, rec->body, sizeof rec->body);
}

double suds_field_number(const uint8_t* body, const SudsFieldDescription& field, int element) {
    if (!body || !plain_kind(field.kind) || element < 0 || element >= field.count)
        return 0.0;
    const uint8_t* p = body + field.offset + element * suds_kind_width(field.kind);
    switch (field.kind) {
    case SUDS_KIND_CHAR:
    case SUDS_KIND_HEX8:
        return *p;
    case SUDS_KIND_INT8:
        return static_cast<int8_t>(*p);
    case SUDS_KIND_INT16:
        return suds_get_i16(p);
    case SUDS_KIND_UINT16:
        return suds_get_u16(p);
    case SUDS_KIND_INT32:
    case SUDS_KIND_LONG_TIME:
        return suds_get_i32(p);
    case SUDS_KIND_FLOAT:
        return suds_get_f32(p);
    default:
        return suds_get_f64(p);
    }
}

int suds_format_field(const uint8_t* body, const SudsFieldDescription& field, int element,
                      char* out, size_t out_size) {
    if (!out || out_size == 0)
        return 0;
    out[0] = '\0';
    if (!body || !field.format)
        return 0;
    if (field.kind == SUDS_KIND_STRING) {
        char text[SUDS_BODY_SIZE + 1];
        size_t n = static_cast<size_t>(field.count);
        if (n > SUDS_BODY_SIZE)
            n = SUDS_BODY_SIZE;
        std::memcpy(text, body + field.offset, n);
        text[n] = '\0';
        return std::snprintf(out, out_size, field.format, text);
    }
    if (!plain_kind(field.kind) || element < 0 || element >= field.count)
        return 0;
    const double v = suds_field_number(body, field, element);
    switch (field.kind) {
    case SUDS_KIND_CHAR:
        return std::snprintf(out, out_size, field.format, static_cast<int>(v));
    case SUDS_KIND_HEX8:
    case SUDS_KIND_UINT16:
        return std::snprintf(out, out_size, field.format, static_cast<unsigned>(v));
    case SUDS_KIND_INT8:
    case SUDS_KIND_INT16:
        return std::snprintf(out, out_size, field.format, static_cast<int>(v));
    case SUDS_KIND_INT32:
    case SUDS_KIND_LONG_TIME:
        return std::snprintf(out, out_size, field.format, static_cast<long>(v));
    default:
        return std::snprintf(out, out_size, field.format, v);
    }
}
