// Explicit little-endian reads and writes of the binary fields of SUDS
// structures (every binary SUDS field is little-endian, machine type '6').
// Byte order is fixed by shifting, never by the host's layout.
#pragma once

#include <cstdint>
#include <cstring>

inline uint16_t suds_get_u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline int16_t suds_get_i16(const uint8_t* p) {
    return static_cast<int16_t>(suds_get_u16(p));
}
inline uint32_t suds_get_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t suds_get_i32(const uint8_t* p) {
    return static_cast<int32_t>(suds_get_u32(p));
}
inline uint64_t suds_get_u64(const uint8_t* p) {
    return static_cast<uint64_t>(suds_get_u32(p)) |
           (static_cast<uint64_t>(suds_get_u32(p + 4)) << 32);
}
inline float suds_get_f32(const uint8_t* p) {
    uint32_t u = suds_get_u32(p);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
inline double suds_get_f64(const uint8_t* p) {
    uint64_t u = suds_get_u64(p);
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

inline void suds_put_u16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void suds_put_i16(uint8_t* p, int16_t v) {
    suds_put_u16(p, static_cast<uint16_t>(v));
}
inline void suds_put_u32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline void suds_put_i32(uint8_t* p, int32_t v) {
    suds_put_u32(p, static_cast<uint32_t>(v));
}
inline void suds_put_u64(uint8_t* p, uint64_t v) {
    suds_put_u32(p, static_cast<uint32_t>(v));
    suds_put_u32(p + 4, static_cast<uint32_t>(v >> 32));
}
inline void suds_put_f32(uint8_t* p, float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    suds_put_u32(p, u);
}
inline void suds_put_f64(uint8_t* p, double d) {
    uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    suds_put_u64(p, u);
}
