// The .PLX hardcopy plot file: binary, little-endian, no header.
//
// Every record begins with a 16-bit code (two's complement):
//
//   code                    size  fields after the code
//   32000  PLX_WINDOW       18    +2 xmin  +6 ymin  +10 xmax  +14 ymax  (float32)
//   32001  PLX_COLOR         4    +2 colour index (int16)
//   32002  PLX_LINE_STYLE    4    +2 line style 0..9 (int16)
//   +-2 +-3 +-12 +-13 pen   10    +2 x  +6 y (float32, as the caller passed them)
//   -32767 PLX_END           2    none
//
// Floats are IEEE 754 single precision.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

constexpr int16_t PLX_WINDOW = 32000;
constexpr int16_t PLX_COLOR = 32001;
constexpr int16_t PLX_LINE_STYLE = 32002;
constexpr int16_t PLX_END = -32767;

constexpr size_t PLX_WINDOW_SIZE = 18;
constexpr size_t PLX_COLOR_SIZE = 4;
constexpr size_t PLX_LINE_STYLE_SIZE = 4;
constexpr size_t PLX_PEN_SIZE = 10;
constexpr size_t PLX_END_SIZE = 2;

// Little-endian helpers; bytes are never overlaid by structs.
inline void plx_put_i16(uint8_t* p, int16_t v) {
    const uint16_t u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u & 0xFF);
    p[1] = static_cast<uint8_t>(u >> 8);
}
inline int16_t plx_get_i16(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}
inline void plx_put_f32(uint8_t* p, float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(u >> (8 * i));
}
inline float plx_get_f32(const uint8_t* p) {
    const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}

// One decoded record. For PLX_WINDOW v[0..3] hold xmin, ymin, xmax, ymax;
// for a pen record v[0], v[1] hold x, y; for colour and line style `value`
// holds the index.
struct PlxRecord {
    int16_t code = 0;
    int16_t value = 0;
    float v[4] = {0, 0, 0, 0};
};

// True when `code` is a pen code that a pen record may carry.
bool plx_is_pen_code(int16_t code);

// Record encoders: each returns the encoded bytes of one record.
std::vector<uint8_t> plx_encode_window(float xmin, float ymin, float xmax, float ymax);
std::vector<uint8_t> plx_encode_color(int16_t index);
std::vector<uint8_t> plx_encode_line_style(int16_t index);
std::vector<uint8_t> plx_encode_pen(int16_t code, float x, float y);
std::vector<uint8_t> plx_encode_end();

// Decodes a whole .PLX image. Returns 1 and fills `out` when every record is
// complete and known (a missing PLX_END is accepted), 0 with `error` set for
// an unknown code or a record cut short; `out` then holds the records read
// before the fault.
int plx_decode(const uint8_t* data, size_t size, std::vector<PlxRecord>& out, std::string& error);

// Reads and decodes a .PLX file: 1 on success, 0 with `error` set.
int plx_read_file(const std::string& path, std::vector<PlxRecord>& out, std::string& error);
