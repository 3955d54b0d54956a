// The converter's byte-order helpers: recorder files are little-endian,
// Canadian blocks and Mini-SEED records big-endian. Shifts only, so the
// result is the same on hosts of either byte order.
#pragma once

#include <cstdint>
#include <cstring>

inline std::uint32_t get_be_u32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline std::uint64_t get_be_u64(const std::uint8_t* p) {
    return (std::uint64_t{get_be_u32(p)} << 32) | get_be_u32(p + 4);
}

inline std::int32_t get_be_i32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(get_be_u32(p));
}

inline void put_be_u16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

inline void put_be_u32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

inline std::uint32_t get_le_u32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

inline std::int32_t get_le_i32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(get_le_u32(p));
}

inline float get_le_f32(const std::uint8_t* p) {
    const std::uint32_t bits = get_le_u32(p);
    float out;
    std::memcpy(&out, &bits, 4);
    return out;
}

inline void put_le_u32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline void put_le_i32(std::uint8_t* p, std::int32_t value) {
    put_le_u32(p, static_cast<std::uint32_t>(value));
}

inline void put_le_f32(std::uint8_t* p, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    put_le_u32(p, bits);
}
